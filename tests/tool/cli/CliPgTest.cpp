// caltrim-cli recording to a real PostgreSQL server in a temporary cluster (Unix socket only),
// against a simulated robot on loopback (127.0.0.144): record, history, an outage kept in the
// spool, restore from the records.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/postgres/TempPostgres.h"
#include "tool/cli/CliRun.h"

namespace {

const std::string kRobot = "127.0.0.144";

TEST(CliPgTest, RunsGoToTheServerWaitThroughAnOutageAndComeBackOnce) {
  const std::string binaries = TempPostgres::FindBinaries();
  if (binaries.empty()) GTEST_SKIP() << "no PostgreSQL server programs (initdb, postgres) installed";
  std::string error;
  const std::unique_ptr<TempPostgres> server = TempPostgres::Create(binaries, &error);
  ASSERT_NE(server, nullptr) << error;
  ASSERT_TRUE(server->CreateDatabase("records", &error)) << error;
  const std::string url = server->Url("records");
  // Runs of an earlier test run that stopped half-way may still wait in the station's spool: this
  // run's robot has a number of its own.
  const std::string serial = "SN-PG-" + std::to_string(::getpid());
  SimRobot robot(kRobot, {"--servos", "2", "--serial", serial});
  ASSERT_TRUE(robot.Ready());
  const auto cli = [&](std::vector<std::string> args) {
    args.insert(args.end(), {"--records", url});
    return RunCli(args);
  };

  CliResult result = cli({"offsets", "write", "--robot", kRobot, "1=7", "2=-4", "--json"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find(R"("records":{"kept":true,"waiting":0})"), std::string::npos) << result.out;
  result = cli({"history", "--serial", serial});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find(" offsets-write serial=" + serial + " mac=none ip=" + kRobot), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\n  servo 1 Ok before=0 sent=7\n  servo 2 Ok before=0 sent=-4\n"), std::string::npos)
      << result.out;
  ASSERT_EQ(cli({"offsets", "write", "--robot", kRobot, "1=0", "2=0"}).status, 0);

  // The server stops: the run waits in the spool, the command still succeeds.
  ASSERT_TRUE(server->Stop(&error)) << error;
  result = cli({"offsets", "write", "--robot", kRobot, "1=1", "--json"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find(R"("kept":true,"sendError":")"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(R"("waiting":1})"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("caltrim-cli: records: 1 waiting: "), std::string::npos) << result.err;

  // Back: history sends what waits before it asks, and the first calibration goes back on.
  ASSERT_TRUE(server->Start(&error)) << error;
  result = cli({"history", "--serial", serial, "--json"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find(R"("servos":[{"before":0,"id":1,"result":"Ok","sent":1}])"), std::string::npos)
      << result.out;
  const std::vector<std::string> first = server->Rows("records", "SELECT min(id) FROM calibration_runs", &error);
  ASSERT_EQ(first.size(), 1u) << error;
  result = cli({"restore", "--robot", kRobot, "--from-history", serial, "--run", first[0]});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("run=" + first[0] + "\nservo 1 Ok offset=7\nservo 2 Ok offset=-4\n"), std::string::npos)
      << result.out;
  EXPECT_NE(robot.State().find("offset.1=7\nangle.1=120\noffset.2=-4"), std::string::npos) << robot.State();
  EXPECT_EQ(server->Rows("records",
                         "SELECT count(DISTINCT r.uid), string_agg(r.kind || ' ' || s.servo || '=' || s.sent, ','"
                         " ORDER BY r.id, s.seq) FROM calibration_runs r JOIN run_servos s ON s.run_id = r.id"
                         " WHERE r.serial = '" + serial + "'", &error),
            (std::vector<std::string>{"4|offsets-write 1=7,offsets-write 2=-4,offsets-write 1=0,offsets-write 2=0,"
                                      "offsets-write 1=1,restore 1=7,restore 2=-4"}))
      << error;
}

}  // namespace
