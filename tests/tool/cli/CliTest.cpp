// caltrim-cli against simulated robots on loopback (127.0.0.131 to 127.0.0.139) and the equipment
// service simulator: each sub-command's outcome and exit status, as a script sees them.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tool/cli/CliRun.h"
#include "tool/cli/EquipmentService.h"

namespace {

// Each test its own addresses, so that CTest may run them side by side.
const std::string kRobot = "127.0.0.131";
const std::string kBackedUp = "127.0.0.132";
const std::string kOther = "127.0.0.133";
const std::string kDamaged = "127.0.0.134";
const std::string kFaulty = "127.0.0.135";
const std::string kLogged = "127.0.0.136";
const std::string kOutside = "127.0.0.137";
const std::string kInside = "127.0.0.138";
const std::string kNobody = "127.0.0.139";  // nothing listens here

struct Row {
  Row(const char* what_, std::vector<std::string> args_, int status_, std::string out_, std::string err_,
      std::string state_, std::string lacks_ = "")
      : what(what_), args(std::move(args_)), status(status_), out(std::move(out_)), err(std::move(err_)),
        state(std::move(state_)), lacks(std::move(lacks_)) {}
  const char* what;
  std::vector<std::string> args;
  int status;
  std::string out;    // stdout holds this
  std::string err;    // stderr holds this
  std::string state;  // the robot's state file holds this afterwards
  std::string lacks;  // neither stdout nor stderr holds this (when given)
};

TEST(CliTest, EachCommandSaysWhatItDidAndEndsWithItsStatus) {
  EquipmentService service;
  EquipmentService unconfirming({"--force-verify", "0000", "--force-confirm", "2004"});
  ASSERT_FALSE(service.Url().empty() || unconfirming.Url().empty());
  TempFolder folder;
  const std::string backup = folder.File("backup.json");
  const std::string config = folder.Write("Config.ini", "[Config]\nServoNum=4\nID1=120\nID2=60\nID3=90\nID4=200\n");
  const std::string busy = folder.File("busy.json");
  std::filesystem::create_directory(busy + ".part");  // what another backup to the same path may hold
  SimRobot robot(kRobot, {"--servos", "4", "--offset", "2=-5", "--serial", "SN-CLI-0001", "--bt-mac", "BT:01"});
  ASSERT_TRUE(robot.Ready());
  const std::vector<Row> rows = {
      {"read", {"offsets", "read", "--robot", kRobot, "--servos", "4"}, 0, "servo 2 Ok offset=-5\nservo 3 Ok offset=0\n", "", ""},
      {"ids", {"offsets", "read", "--robot", kRobot, "--ids", "3-4,2"}, 0, "servo 3 Ok offset=0\nservo 4 Ok offset=0\nservo 2 Ok offset=-5\n", "", ""},
      {"ids backwards", {"angles", "read", "--robot", kRobot, "--ids", "1,5-3"}, 2, "", "--ids: \"5-3\": the range runs backwards", ""},
      {"quiet", {"offsets", "read", "--robot", kRobot, "--ids", "1", "-q"}, 0, "servo 1 Ok offset=0\n", "", "", "connecting"},
      {"verbose", {"offsets", "read", "--robot", kRobot, "--ids", "2", "-v"}, 0, "", "read-offset reply: servo 2 Ok offset=-5\n", ""},
      {"move", {"move", "--robot", kRobot, "3", "150", "--ms", "0"}, 0, "servo 3 Ok angle=150\n", "", "angle.3=150"},
      {"angles", {"angles", "read", "--robot", kRobot, "--ids", "3"}, 0, "servo 3 Ok angle=150\n", "", "angle.3=150"},
      // The simulated robot answers a servo it does not have with a refusal.
      {"scan", {"servos", "scan", "--robot", kRobot, "--max", "6"}, 0, "servo 4 Ok angle=120\nids=1-4\n", "", ""},
      {"reset dry run", {"reset", "--robot", kRobot, "--config", config, "--dry-run"}, 0, "differs servo 3 robot=150 reference=90\n", "", "angle.3=150"},
      {"reset", {"reset", "--robot", kRobot, "--config", config}, 0, "servo 2 Ok angle=60\nservo 3 Ok angle=90\n", "", "angle.3=90"},
      {"backup", {"backup", "--robot", kRobot, "--servos", "4", backup}, 0, "servo 1 Ok offset=0\nservo 2 Ok offset=-5\n", "", ""},
      {"write dry run", {"offsets", "write", "--robot", kRobot, "--dry-run", "2=-5", "1=12"}, 0, "servo 2 Ok offset=-5\nservo 1 Ok offset=0\ndiffers servo 1 robot=0 write=12\n", "", "offset.1=0"},
      {"write", {"offsets", "write", "--robot", kRobot, "1=12", "4=-89"}, 0, "servo 1 Ok offset=12\nservo 4 Ok offset=-89\n", "", "offset.4=-89"},
      {"sn read", {"sn", "read", "--robot", kRobot}, 0, "serial=SN-CLI-0001 mac=BT:01\n", "", ""},
      {"robot from the environment", {"CALTRIM_ROBOT=" + kRobot, "sn", "read", "--json"}, 0, R"j({"mac":"BT:01","serial":"SN-CLI-0001","status":0,"version":1})j" "\n", "", ""},
      {"backup to stdout", {"backup", "--robot", kRobot, "--servos", "2", "-"}, 0, "\"format\" : \"caltrim-backup\"", "serial=SN-CLI-0001 mac=BT:01 file=-\n", ""},
      {"backup into a folder", {"backup", "--robot", kRobot, "--servos", "2", folder.Path().string() + "/"}, 0, "file=" + folder.File("SN-CLI-0001.json") + "\n", "", ""},
      {"backup beside another", {"backup", "--robot", kRobot, "--servos", "4", busy}, 0, "file=" + busy + "\n", "", ""},
      // Where a backup goes is checked before the robot is asked (nobody listens there).
      {"backup folder missing", {"backup", "--robot", kNobody, "--servos", "2", folder.File("gone/b.json")}, 4, "", "cannot write " + folder.File("gone/b.json") + ": No such file or directory", ""},
      {"backup over a folder", {"backup", "--robot", kNobody, "--servos", "2", folder.Path().string()}, 4, "", "cannot write " + folder.Path().string() + ": Is a directory", ""},
      // Only the offsets the robot does not hold are written, and read back.
      {"restore", {"restore", "--robot", kRobot, backup}, 0, "backup-serial=SN-CLI-0001\nservo 1 Ok offset=0\nservo 4 Ok offset=0\n", "", "offset.1=0"},
      {"restore again, from stdin", {"<" + backup, "restore", "--robot", kRobot, "-"}, 0, "backup-serial=SN-CLI-0001\nno offset differs\n", "", ""},
      {"restore all", {"restore", "--robot", kRobot, backup, "--all"}, 0, "backup-serial=SN-CLI-0001\nservo 1 Ok offset=0\nservo 2 Ok offset=-5\n", "", ""},
      {"sn write", {"sn", "write", "--robot", kRobot, "https://x.example/?sn=SN-FREE-0001", "--server", service.Url()}, 0, "serial=SN-FREE-0001 mac=BT:01\n", "", "serial=SN-FREE-0001"},
      // Nobody listens at the service's address: it is not asked.
      {"sn write again", {"sn", "write", "--robot", kRobot, "SN-FREE-0001", "--server", "http://127.0.0.1:1"}, 0, "serial=SN-FREE-0001 mac=BT:01\n", "the robot holds SN-FREE-0001 already", "serial=SN-FREE-0001"},
      // Once the robot took the number, a failure after it says so, with a status of its own.
      {"not confirmed", {"sn", "write", "--robot", kRobot, "SN-OTHER-0003", "--server", unconfirming.Url()}, 6, "", "\"SN-OTHER-0003\" was written to the robot, not confirmed with the equipment service: The equipment service did not confirm", "serial=SN-OTHER-0003"},
      {"read back differs", {"sn", "write", "--robot", kRobot, "A#B", "--server", unconfirming.Url()}, 6, "", "\"A#B\" was written to the robot, not confirmed with the equipment service: The serial number read back differs", "serial=A#B"},
      {"occupied", {"sn", "write", "--robot", kRobot, "SN-FREE-0001", "--server", service.Url(), "--json"}, 1, "\"key\":\"IDS_BE_OCCUPIED_TIPS\"", "", "serial=A#B"},
      // The service is asked before anything is written; a bad address is refused before either is asked.
      {"service unreachable", {"sn", "write", "--robot", kRobot, "SN-FREE-0002", "--server", "http://127.0.0.1:1"}, 1, "", "the equipment service at http://127.0.0.1:1 could not be asked: GetHttpConnection出错", "serial=A#B"},
      {"server not http", {"sn", "write", "--robot", kNobody, "SN-FREE-0002", "--server", "https://127.0.0.1:1"}, 2, "", "--server: \"https://127.0.0.1:1\" is not an http URL", ""},
      {"server empty", {"sn", "write", "--robot", kNobody, "SN-FREE-0002", "--server", ""}, 2, "", "--server: the equipment service's address is empty", ""},
      {"no robot", {"offsets", "read", "--robot", kNobody, "--servos", "2"}, 3, "", "cannot reach the robot at 127.0.0.139:6102", ""},
      {"no --robot", {"offsets", "read"}, 2, "", "--robot is required", ""},
      {"robot port", {"sn", "read", "--robot", "127.0.0.21:6102"}, 2, "", "--robot: \"127.0.0.21:6102\" is an IPv4 address with a port", ""},
      {"one robot only", {"sn", "write", "--robot", "all", "SN-FREE-0002"}, 2, "", "--robot: \"all\": sn write works on one robot at a time", ""},
      {"unknown command", {"frobnicate"}, 2, "", "unknown command \"frobnicate\" (commands: discover, offsets, angles, servos, move, reset, backup, restore, history, sn, completion)", ""},
      {"usage as JSON", {"--json", "offsets", "frobnicate"}, 2, R"j({"error":"unknown command \"offsets frobnicate\" (offsets commands: read, write)","status":2,"version":1})j" "\n", "", ""},
      {"version", {"--version"}, 0, "caltrim-cli 1.0.0.4\n", "", ""},
      // A command's help ends with its examples; the output formats stand in the top help only.
      {"help of a command", {"backup", "--help"}, 0, "Examples:\n  caltrim-cli backup --robot 192.168.1.23 vorla2-0042.json\n", "", "", "Exit status"},
      {"help names values", {"restore", "--help"}, 0, "Usage: caltrim-cli restore [OPTIONS] [FILE]\n", "", "", "REQUIRED"},
      // A command with commands of its own has its section (for the man page) before theirs.
      {"help of every command", {"--help-all"}, 0, "caltrim-cli history --since 2026-05-01 --csv > runs.csv\n\n"
       "caltrim-cli history stats [OPTIONS]:\n", "", ""},
      {"angle", {"move", "--robot", kRobot, "1", "241"}, 2, "", "241", ""},
      {"offset", {"offsets", "write", "--robot", kRobot, "1=3", "2=90"}, 2, "", "\"2=90\": offset 90 is outside -89..89", "offset.1=0"},
      {"one servo twice", {"offsets", "write", "--robot", kRobot, "1=5", "1=6"}, 2, "", "\"1=6\": servo 1 comes twice", "offset.1=0"},
      {"no config", {"reset", "--robot", kRobot, "--config", folder.File("None.ini")}, 2, "", "--config: cannot read " + folder.File("None.ini") + ": No such file or directory", ""},
      {"no reference", {"reset", "--robot", kRobot, "--config", folder.Write("Bad.ini", "[Config]\nServoNum=2\nID1=120\n")}, 2, "", "has no reference angle ID2", ""},
      {"reference out of range", {"reset", "--robot", kRobot, "--config", folder.Write("Far.ini", "[Config]\nServoNum=2\nID1=-5\nID2=90\n")}, 2, "", "servo 1", "angle.2=60"},
  };
  for (const Row& row : rows) {
    const CliResult result = RunCli(row.args);
    EXPECT_EQ(result.status, row.status) << row.what << "\n" << result.out << result.err;
    EXPECT_NE(result.out.find(row.out), std::string::npos) << row.what << "\n" << result.out;
    EXPECT_NE(result.err.find(row.err), std::string::npos) << row.what << "\n" << result.err;
    EXPECT_NE(robot.State().find(row.state), std::string::npos) << row.what << "\n" << robot.State();
    if (!row.lacks.empty()) {
      EXPECT_EQ((result.out + result.err).find(row.lacks), std::string::npos) << row.what;
    }
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

TEST(CliTest, AnOffsetOutsideTheWritableRangeIsFlaggedByBackupAndLeftOutByRestore) {
  TempFolder folder;
  const std::string backup = folder.File("outside.json");
  SimRobot outside(kOutside, {"--servos", "3", "--offset", "1=4", "--offset", "3=120", "--serial", "SN-A"});
  SimRobot inside(kInside, {"--servos", "3", "--offset", "3=7", "--serial", "SN-B"});
  ASSERT_TRUE(outside.Ready() && inside.Ready());
  const CliResult saved = RunCli({"backup", "--robot", kOutside, "--servos", "3", backup});
  EXPECT_EQ(saved.status, 5);
  EXPECT_NE(saved.out.find("servo 3 Ok offset=120\nout-of-range servo 3 offset=120\n"), std::string::npos) << saved.out;
  EXPECT_NE(saved.err.find("servo 3 (120)"), std::string::npos) << saved.err;
  EXPECT_NE(TempFolder::Read(backup).find("\"offset\" : 120,\n      \"outOfRange\" : true"), std::string::npos) << TempFolder::Read(backup);

  const CliResult restored = RunCli({"restore", "--robot", kInside, backup, "--force"});
  EXPECT_EQ(restored.status, 5) << restored.err;
  EXPECT_NE(restored.out.find("out-of-range servo 3 offset=120\n"), std::string::npos) << restored.out;
  EXPECT_NE(inside.State().find("offset.1=4\nangle.1=120\noffset.2=0\nangle.2=120\noffset.3=7"), std::string::npos) << inside.State();
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
  const std::string fifo = folder.File("fifo.json");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string endless = folder.File("endless.json");
  ASSERT_EQ(::symlink("/dev/zero", endless.c_str()), 0);
  const struct {
    std::string file;
    std::string error;
  } cases[] = {
      {folder.Write("cut.json", text.substr(0, text.find("\"id\" : 2"))), "line 14: "},
      {folder.Write("range.json", replaced("\"offset\" : 0", "\"offset\" : 90")), "line 11: offset 90 of servo 1 is outside -89..89"},
      {folder.Write("flag.json", replaced("\"offset\" : 0", "\"offset\" : 0, \"outOfRange\" : true")), "line 11: servo 1 is flagged \"outOfRange\" but its offset 0 is not"},
      {folder.Write("twice.json", replaced("\"id\" : 2", "\"id\" : 1")), "line 14: servo 1 comes twice"},
      {folder.Write("serial.json", replaced("\"serial\" : \"SN-A\",", "")), "line 1: \"serial\" is missing"},
      {folder.Write("type.json", replaced("\"time\"", "\"time\" : 5, \"x\"")), "line 18: \"time\" has the wrong type"},
      {folder.Write("after.json", text + "}"), "line 20: text after the end of the backup"},
      {folder.Write("deep.json", std::string(5000, '[')), "nested too deeply"},
      // Only a regular file of a backup's size is read: nothing that blocks, never ends or fills memory.
      {folder.Path().string(), "not a regular file"},
      {fifo, "not a regular file"},
      {endless, "not a regular file"},
      {folder.Write("huge.json", text + std::string(1 << 20, ' ')), "larger than 1 MiB"},
  };
  for (const auto& damaged : cases) {
    const CliResult result = RunCli({"restore", "--robot", kDamaged, damaged.file});
    EXPECT_EQ(result.status, 2) << damaged.error;
    EXPECT_NE(result.err.find(damaged.file + ": " + damaged.error), std::string::npos) << damaged.error << "\n" << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  // A run that reaches the robot shows that anything sent by the refused ones would have arrived.
  ASSERT_EQ(RunCli({"sn", "read", "--robot", kDamaged}).status, 0);
  ASSERT_TRUE(robot.Process().WaitForLines("read-sn |", 2, 5000));  // the backup's and its own
  EXPECT_EQ(robot.Process().LinesWith("CONNECT tcp").size(), 2u);
}

TEST(CliTest, WritesAndReadsSayWhichServoRefusedAndWhichStayedSilent) {
  SimRobot robot(kFaulty, {"--servos", "3", "--refuse-writes", "2", "--no-replies=3"});
  ASSERT_TRUE(robot.Ready());
  // Each bound below lies under the 6 s that writes may take by the window's rule: a silent
  // servo costs a command --timeout once, not at every step.
  const CliResult write =
      RunCli({"offsets", "write", "--robot", kFaulty, "1=4", "2=5", "3=6", "--json", "--timeout", "2", "--records", "off"},
             5500);
  EXPECT_EQ(write.status, 1);
  EXPECT_EQ(write.out,
            "{\"servos\":[{\"id\":1,\"offset\":4,\"result\":\"Ok\"},{\"id\":2,\"offset\":5,\"result\":\"Failed\"},"
            "{\"id\":3,\"offset\":6,\"result\":\"no reply\"}],\"status\":1,\"version\":1}\n");
  const CliResult read = RunCli({"offsets", "read", "--robot", kFaulty, "--servos", "3", "--timeout", "1"});
  EXPECT_EQ(read.status, 1);
  EXPECT_EQ(read.out, "servo 1 Ok offset=4\nservo 2 Ok offset=0\nservo 3 no reply\n");
  // Read, write and read back: the silent servo is waited for in the first step only.
  TempFolder folder;
  const std::string backup = folder.Write("b.json", R"j({"format":"caltrim-backup","formatVersion":1,"serial":"SN0000000001",
      "mac":"M","time":"T","programVersion":"V","servos":[{"id":1,"offset":4},{"id":3,"offset":9}]})j");
  const CliResult restore = RunCli({"restore", "--robot", kFaulty, backup, "--timeout", "2"}, 5500);
  EXPECT_EQ(restore.status, 1);
  EXPECT_NE(restore.out.find("\nservo 3 no reply offset=9\ndiffers servo 3 robot=none backup=9\n"), std::string::npos) << restore.out;
  const CliResult scan = RunCli({"servos", "scan", "--robot", kFaulty, "--max", "5", "--timeout", "1"});
  EXPECT_EQ(scan.status, 0);
  EXPECT_EQ(scan.out, "servo 1 Ok angle=120\nservo 2 Ok angle=120\nids=1-2\n");
}

TEST(CliTest, BashCompletesCommandsOptionsAndFiles) {
  const CliResult script = RunCli({"completion", "bash"});
  ASSERT_EQ(script.status, 0) << script.err;
  TempFolder folder;
  const std::string file = folder.Write("completion.bash", script.out);
  const std::string backup = folder.Write("vorla2-0042.json", "{}");
  const struct {
    std::vector<std::string> words;  // the command line so far, the word to complete last
    std::string offers;
  } cases[] = {
      {{"caltrim-cli", "off"}, "offsets"},
      {{"caltrim-cli", "offsets", "r"}, "read"},
      {{"caltrim-cli", "--json", "backup", "--ro"}, "--robot"},
      {{"caltrim-cli", "restore", "--robot", "a"}, "all"},
      {{"caltrim-cli", "restore", "--robot", "all", backup.substr(0, backup.size() - 7)}, backup},
      {{"caltrim-cli", "completion", "z"}, "zsh"},
      {{"caltrim-cli", "history", "s"}, "stats"},
      {{"caltrim-cli", "restore", "--fr"}, "--from-history"},
      {{"caltrim-cli", "reset", "--records", "of"}, "off"},
  };
  for (const auto& completion : cases) {
    std::vector<std::string> argv = {"/bin/bash", "-c",
                                     "source \"$0\"; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); _caltrim_cli; "
                                     "echo \"${COMPREPLY[*]}\"",
                                     file};
    argv.insert(argv.end(), completion.words.begin(), completion.words.end());
    std::string output;
    ASSERT_EQ(RunCommand(argv, &output, 10000), 0) << output;
    EXPECT_EQ(output, completion.offers + "\n") << completion.words.back();
  }
}

TEST(CliTest, RunsSideBySideEachKeepASessionLogOfTheirOwn) {
  namespace fs = std::filesystem;
  SimRobot robot(kLogged, {"--servos", "4"});
  ASSERT_TRUE(robot.Ready());
  const fs::path logs = fs::path(CALTRIM_CLI).parent_path() / "Log";
  std::set<fs::path> before;
  if (fs::exists(logs)) before.insert(fs::recursive_directory_iterator(logs), fs::recursive_directory_iterator());
  std::vector<std::unique_ptr<ChildProcess>> runs;
  for (int i = 0; i < 4; ++i) {
    // exec keeps the shell's process id, which names the run's log.
    runs.push_back(ChildProcess::Start({"/bin/sh", "-c", "echo pid=$$; exec \"$@\" 2>/dev/null", "sh", CALTRIM_CLI,
                                        "offsets", "read", "--robot", kLogged, "--servos", "4"}));
    ASSERT_TRUE(runs.back());
  }
  for (const auto& run : runs) {
    ASSERT_EQ(run->Wait(30000), 0);
    const std::string name = "_cli-" + run->LinesWith("pid=").front().substr(4) + "_ID(Vorla2_0001).log";
    std::vector<fs::path> own;
    for (const fs::path& file : fs::recursive_directory_iterator(logs)) {
      if (before.count(file) == 0 && file.filename().string().find(name) != std::string::npos) own.push_back(file);
    }
    ASSERT_EQ(own.size(), 1u) << name;
    const std::string text = TempFolder::Read(own.front());
    std::size_t sends = 0;
    for (std::size_t at = text.find("<Send>"); at != std::string::npos; at = text.find("<Send>", at + 1)) ++sends;
    EXPECT_EQ(sends, 4u) << text;
    fs::remove(own.front());
  }
}

}  // namespace
