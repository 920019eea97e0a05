// caltrim-cli discover and --robot all on a real broadcast network: the station and two robot
// namespaces of a rig of its own (root), nothing leaves them.

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

  // The first robot holds an offset no servo takes, the second refuses reads of servo 2.
  const std::vector<std::string> faults[] = {{"--offset", "3=120"}, {"--fail-reads", "2"}};
  std::vector<std::unique_ptr<ChildProcess>> robots;
  for (int robot = 1; robot <= 2; ++robot) {
    const std::string k = std::to_string(robot);
    std::vector<std::string> argv = {CALTRIM_ROBOT_SIM, "--address", NetnsRig::RobotAddress(robot), "--servos", "3",
                                     "--name", "Vorla2_0" + k, "--mac", "02:00:00:00:00:0" + k, "--serial", "SN-RIG-" + k};
    argv.insert(argv.end(), faults[robot - 1].begin(), faults[robot - 1].end());
    robots.push_back(rig.Spawn(robot, argv));
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

  // Every robot at once, in order of address: a report for each, the worst status for all (1 is
  // worse than 5).
  TempFolder folder;
  const std::string dir = folder.Path().string() + "/";
  const std::string records = folder.File("records.sqlite");
  const std::string robot1 = "robot ip=" + NetnsRig::RobotAddress(1) + " mac=02:00:00:00:00:01 serial=SN-RIG-1";
  const std::string robot2 = "robot ip=" + NetnsRig::RobotAddress(2) + " mac=02:00:00:00:00:02 serial=SN-RIG-2";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } runs[] = {
      {{"backup", "--robot", "all", "--seconds", "2", "--servos", "3", dir}, 1,
       robot1 + " status=5\n  serial=SN-RIG-1 mac=02:00:00:00:00:01 file=" + dir + "SN-RIG-1.json\n"
       "  servo 1 Ok offset=0\n  servo 2 Ok offset=0\n  servo 3 Ok offset=120\n  out-of-range servo 3 offset=120\n" +
       robot2 + " status=1\n  serial=SN-RIG-2 mac=02:00:00:00:00:02\n  servo 1 Ok offset=0\n  servo 2 Failed\n"
       "  servo 3 Ok offset=0\n"},
      // Each robot's backup is its own serial number's; the second robot has none.
      {{"restore", "--robot", "all", "--seconds", "2", dir}, 2,
       robot1 + " status=5\n  serial=SN-RIG-1 backup-serial=SN-RIG-1\n  no offset differs\n"
       "  out-of-range servo 3 offset=120\n" + robot2 + " status=2\n"},
      // The serial number is read for a command that does not read it.
      {{"angles", "read", "--robot", "all", "--seconds", "2", "--ids", "1", "--json"}, 0,
       R"j({"robots":[{"robot":{"ip":")j" + NetnsRig::RobotAddress(1) + R"j(","mac":"02:00:00:00:00:01","name":"Vorla2_01","serial":"SN-RIG-1","version":"1.0.0"},"servos":[{"angle":120,"id":1,"result":"Ok"}],"status":0},)j"
       R"j({"robot":{"ip":")j" + NetnsRig::RobotAddress(2) + R"j(","mac":"02:00:00:00:00:02","name":"Vorla2_02","serial":"SN-RIG-2","version":"1.0.0"},"servos":[{"angle":120,"id":1,"result":"Ok"}],"status":0}],"status":0,"version":1})j" "\n"},
      // Each robot's run is recorded with discovery's name and MAC.
      {{"reset", "--robot", "all", "--seconds", "2", "--ids", "1", "--records", records}, 0,
       robot1 + " status=0\n  servo 1 Ok angle=120\n" + robot2 + " status=0\n  servo 1 Ok angle=120\n"},
      {{"backup", "--robot", "all", "x.json"}, 2, ""},
  };
  for (const auto& run : runs) {
    std::unique_ptr<ChildProcess> all = rig.Spawn(NetnsRig::kStation, CliArgv(run.args, errFile));
    ASSERT_TRUE(all);
    EXPECT_EQ(all->Wait(20000), run.status) << run.args[0] << "\n" << TempFolder::Read(errFile);
    std::string out;
    for (const std::string& line : all->LinesWith("")) out += line + "\n";
    EXPECT_EQ(out, run.out) << run.args[0];
  }
  EXPECT_NE(TempFolder::Read(errFile).find("FILE: with --robot all, give a folder DIR/"), std::string::npos);
  const CliResult history = RunCli({"history", "--records", records, "--csv"});
  for (const int robot : {1, 2}) {
    const std::string k = std::to_string(robot);
    EXPECT_NE(history.out.find(",reset,SN-RIG-" + k + ",02:00:00:00:00:0" + k + "," + NetnsRig::RobotAddress(robot) +
                               ",Vorla2_0" + k + ","),
              std::string::npos)
        << history.out;
  }
  ::unlink(errFile.c_str());
}

}  // namespace
