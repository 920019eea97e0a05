// caltrim-cli discover on a real broadcast network: the station and two robot namespaces of a rig
// of its own (root), nothing leaves them.

#include <gtest/gtest.h>

#include <algorithm>

#include "support/rig/NetnsRig.h"
#include "tool/cli/CliRun.h"

namespace {

TEST(CliDiscoverRigTest, ListsEachRobotOnceAndSaysWhenNoneAnswers) {
  CALTRIM_SKIP_WITHOUT_RIG();
  NetnsRig rig(2);
  ASSERT_TRUE(rig.ok()) << rig.error();
  const std::string errFile = CliErrFile();
  const std::vector<std::string> discover = CliArgv({"discover", "--seconds", "2"}, errFile);

  std::unique_ptr<ChildProcess> none = rig.Spawn(NetnsRig::kStation, discover);
  ASSERT_TRUE(none);
  EXPECT_EQ(none->Wait(10000), 1);
  EXPECT_NE(TempFolder::Read(errFile).find("no robot answered within 2 s"), std::string::npos);

  std::vector<std::unique_ptr<ChildProcess>> robots;
  for (int robot = 1; robot <= 2; ++robot) {
    const std::string k = std::to_string(robot);
    robots.push_back(rig.Spawn(robot, {CALTRIM_ROBOT_SIM, "--address", NetnsRig::RobotAddress(robot),
                                       "--name", "Vorla2_0" + k, "--mac", "02:00:00:00:00:0" + k}));
    ASSERT_TRUE(robots.back() && robots.back()->WaitForLine("READY", 5000));
  }
  std::unique_ptr<ChildProcess> found = rig.Spawn(NetnsRig::kStation, discover);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->Wait(10000), 0);
  std::vector<std::string> lines = found->LinesWith("\t");  // the robot lines
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Vorla2_01\t1.0.0\t" + NetnsRig::RobotAddress(1) + "\t02:00:00:00:00:01",
                       "Vorla2_02\t1.0.0\t" + NetnsRig::RobotAddress(2) + "\t02:00:00:00:00:02"}));
  ::unlink(errFile.c_str());
}

}  // namespace
