#include "sim/robot/SimOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(SimOptionsTest, MalformedArgumentsAreRefusedWithAReason) {
  const std::vector<std::vector<std::string>> bad = {
      {"--bogus"},          {"--servos"},          {"--servos", "0"},     {"--servos", "33"},
      {"--address", "x"},   {"--announce", "1.2"}, {"--offset", "3"},     {"--offset", "40=1"},
      {"--refuse-writes", "1,,2"}, {"--split", "-1"}, {"--no-replies=1"}, {"--serial", "a#b"},
  };
  for (const auto& args : bad) {
    SimOptions o;
    std::string error;
    EXPECT_FALSE(ParseSimOptions(args, &o, &error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
