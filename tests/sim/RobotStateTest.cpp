#include "sim/robot/RobotState.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

namespace {

std::string TempPath(const char* name) {
  return ::testing::TempDir() + "/" + name + "-" + std::to_string(::getpid());
}

TEST(RobotStateTest, OptionsSetTheStartingPointForServosThatExist) {
  SimOptions options;
  options.servos = 4;
  options.offsets = {{1, -5}, {9, 3}};
  options.angles = {{2, 30}};
  const RobotState state(options);
  EXPECT_EQ(state.ServoCount(), 4);
  EXPECT_EQ(state.Offset(1), -5);
  EXPECT_EQ(state.Offset(9), 0);
  EXPECT_EQ(state.Angle(2, 12345), 30);
  EXPECT_EQ(state.Angle(3, 12345), SimOptions::kDefaultAngle);
}

TEST(RobotStateTest, OffsetsAndSerialSurviveARestartThroughTheStateFile) {
  const std::string path = TempPath("robot-state");
  SimOptions options;
  options.servos = 3;
  {
    RobotState state(options);
    state.SetOffset(2, -17);
    state.SetSerial("SN-77");
    std::string error;
    ASSERT_TRUE(state.Save(path, &error)) << error;
  }
  RobotState restarted(options);
  std::string error;
  ASSERT_TRUE(restarted.Load(path, &error)) << error;
  EXPECT_EQ(restarted.Offset(2), -17);
  EXPECT_EQ(restarted.Offset(1), 0);
  EXPECT_EQ(restarted.Serial(), "SN-77");
  std::remove(path.c_str());

  // No file yet: the options stand.
  RobotState fresh(options);
  EXPECT_TRUE(fresh.Load(path, &error));
  EXPECT_EQ(fresh.Serial(), options.serial);
}

TEST(RobotStateTest, AMalformedStateFileIsRefused) {
  const std::string path = TempPath("robot-state-bad");
  std::ofstream(path) << "serial=X\noffset.1=oops\n";
  RobotState state(SimOptions{});
  std::string error;
  EXPECT_FALSE(state.Load(path, &error));
  EXPECT_NE(error.find(path), std::string::npos);
  std::remove(path.c_str());

  RobotState tolerant(SimOptions{});
  EXPECT_TRUE(tolerant.Deserialize("# a comment\nunknown=1\noffset.2=4\n"));
  EXPECT_EQ(tolerant.Offset(2), 4);
}

}  // namespace
