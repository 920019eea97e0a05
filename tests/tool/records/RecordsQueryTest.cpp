#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "tool/records/RecordsTestData.h"

TEST_P(RecordsQueryTest, ARunReadsBackAsItWasRecordedWithItsTextsAsUtf8) {
  RunRecord run = TestRun("station-7", RunKind::kOffsetsWrite, {"Vorla2 \xE5\x8F\xB0", "10.0.0.5", "02:00:00:00:00:01", "SN1"},
                          0, {Ok(3, -5, 2), Failed(1, 89), NoReply(3, 7), {4, -1, std::nullopt, ServoOutcome::kFailed}});
  run.time = TestTime(0, 123);
  RunRecord dirty = run;
  dirty.robot.name = std::string("Vorla2 \xE5\x8F\xB0\xFF", 11) + std::string(1, '\0') + "x";
  Record({dirty});
  const std::vector<RunRecord> read = History();
  ASSERT_EQ(read.size(), 1u);
  EXPECT_GT(read[0].id, 0);
  EXPECT_EQ(read[0].uid.size(), 32u) << read[0].uid;
  run.id = read[0].id;
  run.uid = read[0].uid;
  run.robot.name = "Vorla2 \xE5\x8F\xB0\xEF\xBF\xBD\xEF\xBF\xBDx";
  EXPECT_EQ(read[0], run);
}

TEST_P(RecordsQueryTest, HistoryIsNewestFirstAndFiltersBySerialMacAndTime) {
  const RobotIdentity one{"r1", "10.0.0.1", "02:00:00:00:00:01", "SN1"};
  const RobotIdentity two{"r2", "10.0.0.2", "02:00:00:00:00:0A", "SN2"};
  const RobotIdentity bare{"r3", "10.0.0.3", "02:00:00:00:00:0a", ""};
  Record({TestRun("A", RunKind::kCalibrate, one, 0, {Ok(1, 5)}),
          TestRun("B", RunKind::kReset, two, 60, {Ok(1, 120)}),
          TestRun("D", RunKind::kCalibrate, one, 120, {Ok(1, 6)}),
          TestRun("E", RunKind::kSerialWrite, bare, 180, {}),
          TestRun("C", RunKind::kRestore, one, 120, {Ok(1, 7)})});  // same time as D, recorded later
  const struct {
    const char* what;
    HistoryQuery query;
    std::vector<std::string> labels;
  } cases[] = {
      {"all", {}, {"E", "C", "D", "B", "A"}},
      {"by serial", Query("SN1"), {"C", "D", "A"}},
      {"by MAC, letter case aside", Query("", "02:00:00:00:00:0a"), {"E", "B"}},
      {"since a time, inclusive", Query("", "", TestTime(120)), {"E", "C", "D"}},
      {"serial and time", Query("SN1", "", TestTime(1)), {"C", "D"}},
      {"limited", Query("", "", std::nullopt, 2), {"E", "C"}},
      {"unknown serial", Query("SN404"), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Labels(History(c.query)), c.labels) << c.what;
  EXPECT_EQ(History(Query("SN2")).at(0).servos, (std::vector<ServoRecord>{Ok(1, 120)}));
  EXPECT_TRUE(History(Query("", "02:00:00:00:00:0a")).at(0).servos.empty());
}

TEST_P(RecordsQueryTest, StatsTakeEachRobotsLatestAcceptedOffsetPerServo) {
  const RobotIdentity one{"r1", "10.0.0.1", "", "SN1"};
  const RobotIdentity macOnly{"r2", "10.0.0.2", "02:00:00:00:00:02", ""};
  const RobotIdentity addressOnly{"r3", "10.0.0.3", "", ""};
  const RobotIdentity four{"r4", "10.0.0.4", "", "SN4"};
  Record({
      TestRun("1a", RunKind::kCalibrate, one, 0, {Ok(1, 10), Ok(2, 80)}),
      TestRun("1b", RunKind::kOffsetsWrite, one, 10, {Ok(1, 20), Failed(2, 5)}),  // servo 2 keeps 80
      TestRun("2a", RunKind::kRestore, macOnly, 0, {Ok(1, -85), Ok(2, -10), Ok(3, -78)}),
      TestRun("2b", RunKind::kReset, macOnly, 20, {Ok(1, 120)}),                  // an angle, no offset
      TestRun("3a", RunKind::kCalibrate, addressOnly, 0, {NoReply(1, 30), Ok(2, 0)}),
      TestRun("4a", RunKind::kCalibrate, four, 0, {Ok(3, 0)}),
      TestRun("4b", RunKind::kCalibrate, four, 5, {Ok(3, 79)}),
  });
  std::vector<ServoStats> stats;
  std::string error;
  ASSERT_TRUE(m_store->Stats(&stats, &error)) << error;
  const struct {
    int servo, count;
    double mean;
    int min, max;
    double stddev;
    int nearLimit;
  } expected[] = {
      {1, 2, -32.5, -85, 20, 52.5, 1},                                 // 20, -85
      {2, 3, 70.0 / 3, -10, 80, std::sqrt((3 * 6500.0 - 4900) / 9), 1}, // 80, -10, 0
      {3, 2, 0.5, -78, 79, 78.5, 1},                                   // -78, 79: 79 is near, -78 not
  };
  ASSERT_EQ(stats.size(), std::size(expected));
  for (std::size_t i = 0; i < stats.size(); ++i) {
    const auto& want = expected[i];
    EXPECT_EQ(stats[i].servo, want.servo);
    EXPECT_EQ(stats[i].count, want.count) << "servo " << want.servo;
    EXPECT_NEAR(stats[i].mean, want.mean, 1e-9) << "servo " << want.servo;
    EXPECT_EQ(stats[i].min, want.min) << "servo " << want.servo;
    EXPECT_EQ(stats[i].max, want.max) << "servo " << want.servo;
    EXPECT_NEAR(stats[i].stddev, want.stddev, 1e-9) << "servo " << want.servo;
    EXPECT_EQ(stats[i].nearLimit, want.nearLimit) << "servo " << want.servo;
  }
}

TEST_P(RecordsQueryTest, ARobotsCalibrationIsItsLatestSuccessfulOneOrTheRunNamed) {
  const RobotIdentity robot{"r9", "10.0.0.9", "", "SN9"};
  const RobotIdentity other{"r8", "10.0.0.8", "02:00:00:00:00:08", ""};
  Record({
      TestRun("full", RunKind::kCalibrate, robot, 0, {Ok(1, 5), Ok(2, 6)}),
      TestRun("other", RunKind::kCalibrate, other, 1, {Ok(1, 50)}),
      TestRun("partial", RunKind::kRestore, robot, 2, {Ok(1, 7)}),
      TestRun("refused", RunKind::kOffsetsWrite, robot, 3, {Ok(1, 8), Failed(2, 9)}),
      TestRun("reset", RunKind::kReset, robot, 4, {Ok(1, 120), Ok(2, 120)}),
  });
  std::map<std::string, std::int64_t> ids;
  for (const RunRecord& run : History()) ids[run.station] = run.id;
  using Offsets = std::vector<std::pair<int, int>>;
  const struct {
    const char* what;
    std::string key;
    std::optional<std::string> run;
    std::string found;  // the run's label; empty: none
    Offsets offsets;
  } cases[] = {
      {"latest: a partial run on top of the full one", "SN9", std::nullopt, "partial", {{1, 7}, {2, 6}}},
      {"a named earlier run", "SN9", "full", "full", {{1, 5}, {2, 6}}},
      {"by MAC for a robot without serial", "02:00:00:00:00:08", std::nullopt, "other", {{1, 50}}},
      {"a run with a refusal", "SN9", "refused", "", {}},
      {"a reset", "SN9", "reset", "", {}},
      {"another robot's run", "SN9", "other", "", {}},
      {"a robot never calibrated", "SN404", std::nullopt, "", {}},
  };
  for (const auto& c : cases) {
    CalibrationOffsets offsets;
    std::string error;
    const std::optional<std::int64_t> runId = c.run ? std::optional<std::int64_t>(ids.at(*c.run)) : std::nullopt;
    const bool found = m_store->Calibration(c.key, runId, &offsets, &error);
    EXPECT_EQ(found ? offsets.run.station : "", c.found) << c.what << ": " << error;
    if (found) {
      EXPECT_EQ(offsets.offsets, c.offsets) << c.what;
    } else {
      EXPECT_NE(error.find(c.key), std::string::npos) << c.what << ": " << error;
    }
  }
}
