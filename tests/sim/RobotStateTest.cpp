#include "sim/robot/RobotState.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

namespace {

std::string TempPath(const char* name) {
  return ::testing::TempDir() + "/" + name + "-" + std::to_string(::getpid());
}

// A state file that survives a restart is checked on the program (SimulatorProcessTest), the
// starting point the options give in RobotCommandsTest.
TEST(RobotStateTest, AMissingStateFileKeepsTheOptionsAndAMalformedOneIsRefused) {
  const std::string path = TempPath("robot-state");
  SimOptions options;
  options.serial = "S1";
  RobotState state(options);
  std::string error;
  EXPECT_TRUE(state.Load(path, &error)) << error;
  EXPECT_EQ(state.Serial(), "S1");
  std::ofstream(path) << "serial=X\noffset.1=oops\n";
  EXPECT_FALSE(state.Load(path, &error));
  EXPECT_NE(error.find(path), std::string::npos);
  std::remove(path.c_str());
  EXPECT_TRUE(state.Deserialize("# a comment\nunknown=1\noffset.2=4\n"));
  EXPECT_EQ(state.Offset(2), 4);
}

}  // namespace
