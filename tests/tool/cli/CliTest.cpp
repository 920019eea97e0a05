// caltrim-cli against simulated robots on loopback (127.0.0.131 to 127.0.0.139) and the equipment
// service simulator: each sub-command's outcome and exit status, as a script sees them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool/cli/CliRun.h"

namespace {

// Each test its own addresses, so that CTest may run them side by side.
const std::string kRobot = "127.0.0.131";
const std::string kBackedUp = "127.0.0.132";
const std::string kOther = "127.0.0.133";
const std::string kDamaged = "127.0.0.134";
const std::string kFaulty = "127.0.0.135";
const std::string kNobody = "127.0.0.139";  // nothing listens here

// The equipment service simulator on 127.0.0.1, any free port, with a register of its own.
class EquipmentService {
 public:
  EquipmentService() {
    m_process = ChildProcess::Start({CALTRIM_EQUIPMENT_SIM, "--port", "0", "--register", m_folder.File("register.sqlite"),
                                     "--register-add", "SN-FREE-0001", "--register-add", "SN-FREE-0002"});
    if (m_process && m_process->WaitForLine("listening on http://", 10000)) {
      const std::string line = m_process->LinesWith("listening on http://").front();
      const std::size_t start = line.find("http://");
      m_url = line.substr(start, line.find(',', start) - start);
    }
  }
  const std::string& Url() const { return m_url; }

 private:
  TempFolder m_folder;
  std::unique_ptr<ChildProcess> m_process;
  std::string m_url;
};

struct Row {
  const char* what;
  std::vector<std::string> args;
  int status;
  std::string out;    // stdout holds this
  std::string err;    // stderr holds this
  std::string state;  // the robot's state file holds this afterwards
};

TEST(CliTest, EachCommandSaysWhatItDidAndEndsWithItsStatus) {
  EquipmentService service;
  ASSERT_FALSE(service.Url().empty());
  TempFolder folder;
  const std::string backup = folder.File("backup.json");
  const std::string config = folder.Write("Config.ini", "[Config]\nServoNum=4\nID1=120\nID2=60\nID3=90\nID4=200\n");
  SimRobot robot(kRobot, {"--servos", "4", "--offset", "2=-5", "--serial", "SN-CLI-0001", "--bt-mac", "BT:01"});
  ASSERT_TRUE(robot.Ready());
  const std::vector<Row> rows = {
      {"read", {"offsets", "read", "--robot", kRobot, "--servos", "4"}, 0, "servo 2 Ok offset=-5\nservo 3 Ok offset=0\n", "", ""},
      {"move", {"move", "--robot", kRobot, "3", "150", "--ms", "0"}, 0, "servo 3 Ok angle=150\n", "", "angle.3=150"},
      {"reset", {"reset", "--robot", kRobot, "--config", config}, 0, "servo 2 Ok angle=60\nservo 3 Ok angle=90\n", "", "angle.3=90"},
      {"write", {"offsets", "write", "--robot", kRobot, "1=12", "4=-89"}, 0, "servo 1 Ok offset=12\nservo 4 Ok offset=-89\n", "", "offset.4=-89"},
      {"sn read", {"sn", "read", "--robot", kRobot}, 0, "serial=SN-CLI-0001 mac=BT:01\n", "", ""},
      {"backup", {"backup", "--robot", kRobot, "--servos", "4", backup}, 0, "servo 1 Ok offset=12\n", "", ""},
      {"restore", {"restore", "--robot", kRobot, backup}, 0, "serial=SN-CLI-0001 backup-serial=SN-CLI-0001\nservo 1 Ok offset=12\n", "", ""},
      {"sn write", {"sn", "write", "--robot", kRobot, "https://x.example/?sn=SN-FREE-0001", "--server", service.Url()}, 0, "serial=SN-FREE-0001 mac=BT:01\n", "", "serial=SN-FREE-0001"},
      {"occupied", {"sn", "write", "--robot", kRobot, "SN-FREE-0001", "--server", service.Url(), "--json"}, 1, "\"key\":\"IDS_BE_OCCUPIED_TIPS\"", "", ""},
      {"no robot", {"offsets", "read", "--robot", kNobody, "--servos", "2"}, 3, "", "cannot reach the robot at 127.0.0.139:6102", ""},
      {"no --robot", {"offsets", "read"}, 2, "", "--robot is required", ""},
      {"version", {"--version"}, 0, "caltrim-cli 1.0.0.4\n", "", ""},
      {"angle", {"move", "--robot", kRobot, "1", "241"}, 2, "", "241", ""},
      {"offset", {"offsets", "write", "--robot", kRobot, "1=3", "2=90"}, 2, "", "\"2=90\": offset 90 is outside -89..89", "offset.1=12"},
      {"no reference", {"reset", "--robot", kRobot, "--config", folder.Write("Bad.ini", "[Config]\nServoNum=2\nID1=120\n")}, 2, "", "has no reference angle ID2", ""},
      {"reference out of range", {"reset", "--robot", kRobot, "--config", folder.Write("Far.ini", "[Config]\nServoNum=2\nID1=-5\nID2=90\n")}, 2, "", "servo 1", "angle.2=60"},
  };
  for (const Row& row : rows) {
    const CliResult result = RunCli(row.args);
    EXPECT_EQ(result.status, row.status) << row.what << "\n" << result.out << result.err;
    EXPECT_NE(result.out.find(row.out), std::string::npos) << row.what << "\n" << result.out;
    EXPECT_NE(result.err.find(row.err), std::string::npos) << row.what << "\n" << result.err;
    EXPECT_NE(robot.State().find(row.state), std::string::npos) << row.what << "\n" << robot.State();
  }
}

TEST(CliTest, ABackupGoesOntoAnotherRobotOnlyWithForce) {
  TempFolder folder;
  const std::string backup = folder.File("a.json");
  SimRobot a(kBackedUp, {"--servos", "3", "--offset", "1=7", "--offset", "3=-20", "--serial", "SN-A"});
  SimRobot b(kOther, {"--servos", "3", "--offset", "2=5", "--serial", "SN-B"});
  ASSERT_TRUE(a.Ready() && b.Ready());
  ASSERT_EQ(RunCli({"backup", "--robot", kBackedUp, "--servos", "3", backup}).status, 0);
  EXPECT_NE(TempFolder::Read(backup).find("\"serial\" : \"SN-A\""), std::string::npos) << TempFolder::Read(backup);

  const CliResult refused = RunCli({"restore", "--robot", kOther, backup});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("is the backup of robot SN-A, not of SN-B"), std::string::npos) << refused.err;
  const CliResult dryRun = RunCli({"restore", "--robot", kOther, backup, "--force", "--dry-run"});
  EXPECT_EQ(dryRun.status, 0) << dryRun.err;
  EXPECT_NE(dryRun.out.find("differs servo 2 robot=5 backup=0\n"), std::string::npos) << dryRun.out;
  EXPECT_EQ(b.Received("servo 0x0C"), 0u);

  const CliResult forced = RunCli({"restore", "--robot", kOther, backup, "--force"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(forced.out.find("differs"), std::string::npos) << forced.out;
  EXPECT_NE(b.State().find("offset.1=7\nangle.1=120\noffset.2=0\nangle.2=120\noffset.3=-20"), std::string::npos) << b.State();
}

TEST(CliTest, ADamagedBackupIsRefusedByItsLineAndNothingIsSent) {
  TempFolder folder;
  SimRobot robot(kDamaged, {"--servos", "2", "--serial", "SN-A"});
  ASSERT_TRUE(robot.Ready());
  const std::string good = folder.File("good.json");
  ASSERT_EQ(RunCli({"backup", "--robot", kDamaged, "--servos", "2", good}).status, 0);
  const std::string text = TempFolder::Read(good);
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string damaged = text;
    damaged.replace(damaged.find(from), from.size(), to);
    return damaged;
  };
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {text.substr(0, text.find("\"id\" : 2")), "line 14: "},  // cut short
      {replaced("\"offset\" : 0", "\"offset\" : 90"), "line 11: offset 90 of servo 1 is outside -89..89"},
      {replaced("\"id\" : 2", "\"id\" : 1"), "line 14: servo 1 comes twice"},
      {replaced("\"serial\" : \"SN-A\",", ""), "line 1: \"serial\" is missing"},
      {replaced("\"time\"", "\"time\" : 5, \"x\""), "line 18: \"time\" has the wrong type"},
      {text + "}", "line 20: text after the end of the backup"},
  };
  for (const auto& damaged : cases) {
    const std::string file = folder.Write("damaged.json", damaged.text);
    const CliResult result = RunCli({"restore", "--robot", kDamaged, file});
    EXPECT_EQ(result.status, 2) << damaged.error;
    EXPECT_NE(result.err.find(file + ": " + damaged.error), std::string::npos) << damaged.error << "\n" << result.err;
  }
  // A run that reaches the robot shows that anything sent by the refused ones would have arrived.
  ASSERT_EQ(RunCli({"sn", "read", "--robot", kDamaged}).status, 0);
  ASSERT_TRUE(robot.Process().WaitForLines("read-sn |", 2, 5000));  // the backup's and its own
  EXPECT_EQ(robot.Process().LinesWith("CONNECT tcp").size(), 2u);
}

TEST(CliTest, WritesAndReadsSayWhichServoRefusedAndWhichStayedSilent) {
  SimRobot robot(kFaulty, {"--servos", "3", "--refuse-writes", "2", "--no-replies=3"});
  ASSERT_TRUE(robot.Ready());
  const CliResult write = RunCli({"offsets", "write", "--robot", kFaulty, "1=4", "2=5", "3=6", "--json"});
  EXPECT_EQ(write.status, 1);
  EXPECT_EQ(write.out,
            "{\"servos\":[{\"id\":1,\"offset\":4,\"result\":\"Ok\"},{\"id\":2,\"offset\":5,\"result\":\"Failed\"},"
            "{\"id\":3,\"offset\":6,\"result\":\"no reply\"}],\"status\":1}\n");
  const CliResult read = RunCli({"offsets", "read", "--robot", kFaulty, "--servos", "3", "--timeout", "1"});
  EXPECT_EQ(read.status, 1);
  EXPECT_EQ(read.out, "servo 1 Ok offset=4\nservo 2 Ok offset=0\nservo 3 no reply\n");
}

}  // namespace
