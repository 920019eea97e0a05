#include "calibration/rules/CalibrationModel.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(CalibrationModelTest, CalibrateWritesABoxOnlyWithAValueFromMinus89To89) {
  const struct { const char* box; std::optional<int> written; } cases[] = {
      {"12", 12},         {"-5", -5},     {"89", 89},       {"-89", -89},
      {"90", {}},         {"-90", {}},    {"Ok", {}},       {"Failed", {}},
      {"False", {}},      {"Wait", {}},   {"ok", 0},        {"", 0},
      {"abc", 0},         {" \t7", 7},    {"+3", 3},        {"12.7", 12},
      {"3 Ok", 3},        {"- 3", 0},     {"99999999999999999999", {}},
      {"-99999999999999999999", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(WritableOffset(c.box), c.written) << '"' << c.box << '"';
  EXPECT_EQ(DecimalValue("99999999999999999999"), INT_MAX);
  EXPECT_EQ(DecimalValue("-2147483648"), INT_MIN);
}

// An angle box and a reference angle of Config.ini stand for an angle only as a whole number a
// servo can take; anything else must move no servo (atoi would read it as 0 or beyond 240).
TEST(CalibrationModelTest, AServoAngleIsAWholeNumberFrom0To240) {
  const struct { const char* text; std::optional<int> angle; } cases[] = {
      {"0", 0},      {"240", 240},  {" 90\t", 90}, {"+7", 7},   {"007", 7},
      {"241", {}},   {"-5", {}},    {"", {}},       {" ", {}},   {"abc", {}},
      {"90abc", {}}, {"9 0", {}},   {"-", {}},      {"12.5", {}}, {"99999999999", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ServoAngle(c.text), c.angle) << '"' << c.text << '"';
}

TEST(CalibrationModelTest, AnAngleImpliesBasePlusThreePerUnitFromTheReference) {
  const struct { long long base, angle, reference; const char* text; } cases[] = {
      {0, 90, 90, "0"},   {0, 91, 90, "3"},     {80, 93, 90, "89"}, {80, 94, 90, "False"},
      {0, 60, 90, "False"}, {-89, 90, 90, "-89"}, {10, 0, INT_MAX, "False"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OffsetText(OffsetForAngle(c.base, c.angle, c.reference)), c.text)
        << c.base << " + 3 x (" << c.angle << " - " << c.reference << ")";
  }
}

}  // namespace
