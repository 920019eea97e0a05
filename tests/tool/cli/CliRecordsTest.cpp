// caltrim-cli's calibration records in an SQLite file, against simulated robots on loopback
// (127.0.0.141 to 127.0.0.143): what each command records, the traffic records add, history,
// history stats and restore --from-history.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tool/cli/CliRun.h"
#include "tool/cli/EquipmentService.h"
#include "tool/records/RecordsTestData.h"

namespace {

const std::string kRecorded = "127.0.0.141";
const std::string kHistory = "127.0.0.142";
const std::string kFailing = "127.0.0.143";

std::unique_ptr<IRecordsStore> OpenFile(const std::string& file) {
  std::string error;
  auto store = OpenRecordsStore({RecordsLocation::Kind::kFile, file, ""}, {}, &error);
  EXPECT_NE(store, nullptr) << error;
  return store;
}

// The runs a records file holds, newest first.
std::vector<RunRecord> Runs(const std::string& file, const HistoryQuery& query = {}) {
  std::vector<RunRecord> runs;
  std::string error;
  const auto store = OpenFile(file);
  EXPECT_TRUE(store && store->History(query, &runs, &error)) << error;
  return runs;
}

// The requests a simulated robot received, heartbeats aside: "read-sn", "servo 0x0D id=1".
std::vector<std::string> Requests(SimRobot& robot) {
  std::vector<std::string> requests;
  for (const std::string& line : robot.Process().LinesWith("RECV tcp ")) {
    const std::size_t start = line.find(' ', std::string("RECV tcp ").size()) + 1;
    const std::string request = line.substr(start, line.find(" |") - start);
    if (request != "heartbeat") requests.push_back(request);
  }
  return requests;
}

ServoRecord Servo(int id, std::optional<int> before, int sent, ServoOutcome outcome = ServoOutcome::kOk) {
  return {id, before, sent, outcome};
}

TEST(CliRecordsTest, EachRunThatChangesARobotIsRecordedOnceWithWhatItSent) {
  EquipmentService service;
  ASSERT_FALSE(service.Url().empty());
  TempFolder folder;
  const std::string records = folder.File("records.sqlite");
  const std::string config = folder.Write("Config.ini", "[Config]\nServoNum=2\nID1=120\nID2=60\n");
  const std::string off = folder.Write("Off.ini", "[Config]\nServoNum=2\n[Records]\nUrl=Off\n");
  std::filesystem::create_directory(folder.File("cfg"));
  const std::string relative = folder.Write("cfg/Config.ini", "[Config]\nServoNum=2\n[Records]\nUrl=line.sqlite\n");
  const std::string backup = folder.Write("b.json", R"j({"format":"caltrim-backup","formatVersion":1,"serial":"SN-REC-1",
      "mac":"M","time":"T","programVersion":"V","servos":[{"id":1,"offset":4},{"id":2,"offset":-5},{"id":3,"offset":9}]})j");
  SimRobot robot(kRecorded, {"--servos", "3", "--offset", "2=-5", "--serial", "SN-REC-1", "--refuse-writes", "3"});
  ASSERT_TRUE(robot.Ready());

  // Records off (Url=off of Config.ini) send nothing more than the write; records on add one read
  // of the serial number and the offsets before, once.
  ASSERT_EQ(RunCli({"offsets", "write", "--robot", kRecorded, "--config", off, "2=-5"}).status, 0);
  ASSERT_EQ(RunCli({"offsets", "write", "--robot", kRecorded, "--records", records, "1=12", "3=7"}).status, 1);
  ASSERT_TRUE(robot.Process().WaitForLine("servo 0x0C id=3 value=7", 5000));
  EXPECT_EQ(Requests(robot), (std::vector<std::string>{"servo 0x0C id=2 value=-5", "read-sn", "servo 0x0D id=1",
                                                       "servo 0x0D id=3", "servo 0x0C id=1 value=12",
                                                       "servo 0x0C id=3 value=7"}));
  ASSERT_EQ(Runs(records).size(), 1u);

  const struct {
    const char* what;
    std::vector<std::string> args;  // before --robot and --records
    int status;
    std::optional<RunKind> kind;  // the run recorded; none: nothing is
    std::string serial;
    std::vector<ServoRecord> servos;
  } rows[] = {
      {"dry run", {"offsets", "write", "--dry-run", "1=5"}, 0, std::nullopt, "", {}},
      {"reset: the angles sent, no offset before", {"reset", "--config", config}, 0, RunKind::kReset, "SN-REC-1",
       {Servo(1, std::nullopt, 120), Servo(2, std::nullopt, 60)}},
      {"restore: the offsets that differed", {"restore", backup}, 1, RunKind::kRestore, "SN-REC-1",
       {Servo(1, 12, 4), Servo(3, 0, 9, ServoOutcome::kFailed)}},
      {"restore that writes nothing", {"restore", backup, "--ids", "1,2"}, 0, std::nullopt, "", {}},
      {"restore --all reads the offsets before", {"restore", backup, "--ids", "2", "--all"}, 0, RunKind::kRestore,
       "SN-REC-1", {Servo(2, -5, -5)}},
      {"sn write: the number taken", {"sn", "write", "SN-FREE-0001", "--server", service.Url()}, 0,
       RunKind::kSerialWrite, "SN-FREE-0001", {}},
      {"sn write of the number held", {"sn", "write", "SN-FREE-0001", "--server", service.Url()}, 0, std::nullopt,
       "", {}},
      {"offsets read", {"offsets", "read", "--servos", "3"}, 0, std::nullopt, "", {}},
      {"offsets write under the new number", {"offsets", "write", "2=3", "3=1"}, 1, RunKind::kOffsetsWrite,
       "SN-FREE-0001", {Servo(2, -5, 3), Servo(3, 0, 1, ServoOutcome::kFailed)}},
  };
  std::size_t count = 1;
  for (const auto& row : rows) {
    std::vector<std::string> args = row.args;
    args.insert(args.end(), {"--robot", kRecorded, "--records", records});
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, row.status) << row.what << "\n" << result.err;
    const std::vector<RunRecord> runs = Runs(records);
    count += row.kind ? 1 : 0;
    ASSERT_EQ(runs.size(), count) << row.what;
    if (!row.kind) continue;
    const RunRecord& run = runs.front();
    EXPECT_EQ(run.kind, *row.kind) << row.what;
    EXPECT_EQ(run.robot, (RobotIdentity{"", kRecorded, "", row.serial})) << row.what;
    EXPECT_EQ(run.servos, row.servos) << row.what;
    EXPECT_EQ(run.program + " " + run.programVersion, "caltrim-cli 1.0.0.4") << row.what;
    EXPECT_FALSE(run.station.empty() || run.operatorName.empty()) << row.what;
  }

  // Url of Config.ini's [Records] is taken from Config.ini's folder; without one, the records go
  // beside the session logs.
  const std::string beside = (std::filesystem::path(CALTRIM_CLI).parent_path() / "records.sqlite").string();
  const auto ours = [&] { return Runs(beside, Query("SN-FREE-0001")).size(); };
  const std::size_t before = ours();
  ASSERT_EQ(RunCli({"offsets", "write", "--robot", kRecorded, "--config", relative, "1=2"}).status, 0);
  EXPECT_EQ(Runs(folder.File("cfg/line.sqlite")).at(0).servos, (std::vector<ServoRecord>{Servo(1, 4, 2)}));
  ASSERT_EQ(RunCli({"offsets", "write", "--robot", kRecorded, "--config", config, "1=1"}).status, 0);
  EXPECT_EQ(ours(), before + 1);
}

TEST(CliRecordsTest, AStoreThatFailsLeavesTheCommandsOwnStatus) {
  TempFolder folder;
  const std::string notAFolder = folder.Write("file", "");
  SimRobot robot(kFailing, {"--servos", "2", "--refuse-writes", "2"});
  ASSERT_TRUE(robot.Ready());
  const struct {
    std::vector<std::string> writes;
    int status;
    std::string state;
  } rows[] = {{{"1=5"}, 0, "offset.1=5"}, {{"1=6", "2=6"}, 1, "offset.1=6"}};
  for (const auto& row : rows) {
    std::vector<std::string> args = {"offsets", "write", "--robot", kFailing, "--records", notAFolder + "/r.sqlite",
                                     "--json"};
    args.insert(args.end(), row.writes.begin(), row.writes.end());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, row.status) << result.err;
    EXPECT_NE(result.out.find(R"("records":{"error":")" + notAFolder + "/r.sqlite: "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(R"("kept":false)"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("caltrim-cli: records: the run was not recorded: " + notAFolder), std::string::npos)
        << result.err;
    EXPECT_NE(robot.State().find(row.state), std::string::npos) << robot.State();
  }
}

TEST(CliRecordsTest, HistoryStatsAndRestoreFromTheRecords) {
  TempFolder folder;
  const std::string records = folder.File("records.sqlite");
  const RobotIdentity one{"Vorla2_01", "10.0.0.1", "02:00:00:00:00:01", "SN-HIST-1"};
  const RobotIdentity two{"Vorla2, \"B\"", "10.0.0.2", "02:00:00:00:00:02", "SN-HIST-2"};
  {
    const auto store = OpenFile(records);
    std::string error;
    for (const RunRecord& run : {TestRun("st-a", RunKind::kCalibrate, one, 0, {Ok(1, 10, 0), Ok(2, -80, -3)}),
                                 TestRun("st-b", RunKind::kOffsetsWrite, one, 10, {Ok(1, 20, 10), Failed(2, 5)}),
                                 TestRun("st-c", RunKind::kRestore, two, 20, {Ok(1, -30), Ok(2, 85)}),
                                 TestRun("st-d", RunKind::kSerialWrite, two, 30, {})}) {
      ASSERT_TRUE(store->Append(run, &error)) << error;
    }
  }
  std::map<std::string, std::string> uid;
  for (const RunRecord& run : Runs(records)) uid[run.station] = run.uid;
  SimRobot robot(kHistory, {"--servos", "2", "--serial", "SN-HIST-1"});
  ASSERT_TRUE(robot.Ready());
  const std::string runOf2 = "4,2026-05-20T08:30:00.000Z,serial-write,SN-HIST-2,02:00:00:00:00:02,10.0.0.2,"
                             "\"Vorla2, \"\"B\"\"\",st-d,op,caltrim-cli,1.0.0.4,";
  const std::string restoreOf2 = "3,2026-05-20T08:20:00.000Z,restore,SN-HIST-2,02:00:00:00:00:02,10.0.0.2,"
                                 "\"Vorla2, \"\"B\"\"\",st-c,op,caltrim-cli,1.0.0.4," + uid["st-c"];
  const struct {
    const char* what;
    std::vector<std::string> args;  // after --records
    int status;
    std::string out;  // stdout holds this
    std::string err;  // stderr holds this
  } rows[] = {
      {"one robot, newest first", {"history", "--serial", "SN-HIST-1"}, 0,
       "run 2 2026-05-20T08:10:00.000Z offsets-write serial=SN-HIST-1 mac=02:00:00:00:00:01 ip=10.0.0.1 "
       "name=Vorla2_01 station=st-b operator=op program=caltrim-cli/1.0.0.4\n"
       "  servo 1 Ok before=10 sent=20\n  servo 2 Failed before=none sent=5\n"
       "run 1 2026-05-20T08:00:00.000Z calibrate serial=SN-HIST-1 mac=02:00:00:00:00:01 ip=10.0.0.1 "
       "name=Vorla2_01 station=st-a operator=op program=caltrim-cli/1.0.0.4\n"
       "  servo 1 Ok before=0 sent=10\n  servo 2 Ok before=-3 sent=-80\n", ""},
      {"since, as CSV", {"history", "--since", "2026-05-20T08:20Z", "--csv"}, 0,
       "run,time,kind,serial,mac,ip,name,station,operator,program,program_version,uid,servo,before,sent,result\r\n" +
           runOf2 + uid["st-d"] + ",,,,\r\n" + restoreOf2 + ",1,,-30,Ok\r\n" + restoreOf2 + ",2,,85,Ok\r\n", ""},
      {"by MAC, as JSON", {"history", "--mac", "02:00:00:00:00:02", "--json"}, 0,
       R"("servos":[{"before":null,"id":1,"result":"Ok","sent":-30},{"before":null,"id":2,"result":"Ok","sent":85}])", ""},
      {"stats", {"history", "stats"}, 0,
       "servo 1 count=2 mean=-5.00 min=-30 max=20 stddev=25.00 near-limit=0\n"
       "servo 2 count=2 mean=2.50 min=-80 max=85 stddev=82.50 near-limit=2\n", ""},
      {"stats as CSV", {"history", "stats", "--csv"}, 0,
       "servo,count,mean,min,max,stddev,near_limit\r\n1,2,-5.00,-30,20,25.00,0\r\n2,2,2.50,-80,85,82.50,2\r\n", ""},
      {"a run that was refused", {"restore", "--robot", kHistory, "--from-history", "SN-HIST-1", "--run", "2"}, 2, "",
       "run 2 is no successful calibration of SN-HIST-1 in the records; nothing was sent"},
      {"another robot's", {"restore", "--robot", kHistory, "--from-history", "SN-HIST-2"}, 2, "",
       "run 3 of the records is a calibration of robot SN-HIST-2, not of SN-HIST-1 (--force writes it anyway)"},
      {"dry run", {"restore", "--robot", kHistory, "--from-history", "SN-HIST-1", "--dry-run"}, 0,
       "serial=SN-HIST-1 backup-serial=SN-HIST-1 run=1\nservo 1 Ok offset=0\nservo 2 Ok offset=0\n"
       "differs servo 1 robot=0 backup=10\ndiffers servo 2 robot=0 backup=-80\n", ""},
      // The latest successful calibration (run 2 had a refusal), read back.
      {"restore", {"restore", "--robot", kHistory, "--from-history", "SN-HIST-1"}, 0,
       "serial=SN-HIST-1 backup-serial=SN-HIST-1 run=1\nservo 1 Ok offset=10\nservo 2 Ok offset=-80\n", ""},
      {"which is recorded", {"history", "--serial", "SN-HIST-1"}, 0,
       "restore serial=SN-HIST-1 mac=none ip=" + kHistory + " name=none", ""},
      {"again: nothing differs", {"restore", "--robot", kHistory, "--from-history", "SN-HIST-1"}, 0,
       "no offset differs\n", ""},
      {"both formats", {"history", "--csv", "--json"}, 2, "", "--csv and --json: choose one"},
      {"no such day", {"history", "--since", "2026-02-30"}, 2, "", "\"2026-02-30\" is no UTC date"},
      {"stats of all robots", {"history", "stats", "--serial", "SN-HIST-1"}, 2, "", "history stats covers every robot"},
      {"every robot", {"restore", "--robot", "all", "--from-history", "SN-HIST-1"}, 2, "", "give --robot IP"},
      {"--run alone", {"restore", "--robot", kHistory, "x.json", "--run", "1"}, 2, "", "--run requires --from-history"},
      {"no file", {"restore", "--robot", kHistory}, 2, "", "FILE or --from-history SERIAL is required"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args = {"--records", records};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, row.status) << row.what << "\n" << result.err;
    EXPECT_NE(result.out.find(row.out), std::string::npos) << row.what << "\n" << result.out;
    EXPECT_NE(result.err.find(row.err), std::string::npos) << row.what << "\n" << result.err;
  }
  EXPECT_NE(robot.State().find("offset.1=10\nangle.1=120\noffset.2=-80"), std::string::npos) << robot.State();
  const std::vector<RunRecord> restored = Runs(records, Query("SN-HIST-1", "", std::nullopt, 1));
  ASSERT_EQ(restored.size(), 1u);
  EXPECT_EQ(restored[0].servos, (std::vector<ServoRecord>{Servo(1, 0, 10), Servo(2, 0, -80)}));

  const struct {
    std::string records;
    std::string err;
  } unreadable[] = {{"off", "records are off"}, {folder.File("typo.sqlite"), "no records file " + folder.File("typo.sqlite")}};
  for (const auto& c : unreadable) {
    const CliResult result = RunCli({"history", "--records", c.records});
    EXPECT_EQ(result.status, 2) << c.records;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.File("typo.sqlite")));
}

}  // namespace
