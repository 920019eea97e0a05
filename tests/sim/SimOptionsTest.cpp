#include "sim/robot/SimOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(SimOptionsTest, OptionsTakeTheirValuesAndDefaultsFollowTheAddress) {
  SimOptions o;
  std::string error;
  ASSERT_TRUE(ParseSimOptions({"--address", "10.231.77.11", "--servos=20", "--ip", "10.0.0.9", "--bt-mac", "BT", "--offset",
                     "3=-7", "--angle", "4=200", "--refuse-writes", "1,2", "--fail-reads", "all", "--fail-servo", "5"},
                    &o, &error))
      << error;
  EXPECT_EQ(o.servos, 20);
  EXPECT_EQ(o.RecordIp(), "10.0.0.9");
  EXPECT_EQ(o.BtMac(), "BT");
  EXPECT_EQ(o.offsets.at(3), -7);
  EXPECT_EQ(o.angles.at(4), 200);
  EXPECT_TRUE(o.faults.refuseWrites.Contains(1) && o.faults.refuseWrites.Contains(5));
  EXPECT_FALSE(o.faults.refuseWrites.Contains(3));
  EXPECT_TRUE(o.faults.failReads.Contains(17));

  SimOptions defaults;
  ASSERT_TRUE(ParseSimOptions({"--address", "127.0.0.61"}, &defaults, &error));
  EXPECT_EQ(defaults.RecordIp(), "127.0.0.61");
  EXPECT_EQ(defaults.BtMac(), defaults.mac);
  EXPECT_TRUE(defaults.discovery);
}

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
