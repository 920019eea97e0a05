#include <gtest/gtest.h>

#include <sqlite3.h>

#include <set>
#include <thread>

#include "outside/uibase/TempFolder.h"
#include "records/sqlite/SqliteSchema.h"
#include "support/MappedLibraries.h"
#include "tool/records/RecordsTestData.h"

namespace {

std::unique_ptr<IRecordsStore> OpenFile(const std::string& path, std::string* error) {
  return OpenRecordsStore({RecordsLocation::Kind::kFile, path, ""}, {}, error);
}

TempFolder& Folder() {
  static TempFolder folder;
  return folder;
}

std::unique_ptr<IRecordsStore> FreshFileStore() {
  static int made = 0;
  std::string error;
  auto store = OpenFile(Folder().File("query-" + std::to_string(++made) + ".sqlite"), &error);
  EXPECT_NE(store, nullptr) << error;
  return store;
}

INSTANTIATE_TEST_SUITE_P(Sqlite, RecordsQueryTest, testing::Values(StoreKind{"sqlite", FreshFileStore}),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs sql on the file at path with SQLite alone (how an older program wrote it).
void WriteWithSqlite(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* message = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message), SQLITE_OK) << (message ? message : "");
  sqlite3_free(message);
  sqlite3_close(db);
}

TEST(SqliteRecordsTest, AFileOfTheFirstSchemaIsMigratedWithItsRuns) {
  TempFolder folder;
  const std::string path = folder.File("records.sqlite");
  WriteWithSqlite(path, std::string(RecordsSchemaSteps().at(0)) + "PRAGMA user_version = 1;" +
      "INSERT INTO calibration_runs VALUES (1, '2024-01-02 03:04:05', 'old1', 'op', 'Caltrim', '1.0.0.3',"
      " 'r1', '10.0.0.1', 'SN1', 'calibrate');"
      "INSERT INTO calibration_runs VALUES (2, '2024-01-02 03:04:06', 'old2', 'op', 'Caltrim', '1.0.0.3',"
      " 'r2', '10.0.0.2', '', 'calibrate');"
      "INSERT INTO run_servos VALUES (1, 0, 1, 0, 5, 'Ok'), (1, 1, 2, NULL, 6, 'Failed'), (2, 0, 1, 3, -7, 'Ok');");
  std::string error;
  const auto store = OpenFile(path, &error);
  ASSERT_NE(store, nullptr) << error;

  std::vector<RunRecord> runs;
  ASSERT_TRUE(store->History({}, &runs, &error)) << error;
  ASSERT_EQ(Labels(runs), (std::vector<std::string>{"old2", "old1"}));
  EXPECT_EQ(FormatUtcTime(runs[1].time), "2024-01-02T03:04:05.000Z");
  EXPECT_EQ(runs[1].servos, (std::vector<ServoRecord>{Ok(1, 5, 0), Failed(2, 6)}));
  EXPECT_NE(runs[0].uid, runs[1].uid);
  ASSERT_TRUE(store->History(Query("", "", runs[1].time + std::chrono::milliseconds(500)), &runs, &error));
  EXPECT_EQ(Labels(runs), (std::vector<std::string>{"old2"})) << "times compare as the new ones do";
  CalibrationOffsets offsets;
  EXPECT_TRUE(store->Calibration("10.0.0.2", std::nullopt, &offsets, &error)) << "keyed by its address: " << error;
  EXPECT_EQ(offsets.offsets, (std::vector<std::pair<int, int>>{{1, -7}}));
  ASSERT_TRUE(store->Append(TestRun("new", RunKind::kReset, {"r1", "10.0.0.1", "02:00:00:00:00:01", "SN1"}, 0, {}),
                            &error)) << error;
  ASSERT_TRUE(store->History(Query("SN1"), &runs, &error));
  EXPECT_EQ(Labels(runs), (std::vector<std::string>{"new", "old1"}));
}

TEST(SqliteRecordsTest, AFileItCannotTakeIsRefusedAndLeftAsItIs) {
  TempFolder folder;
  const std::string newer = folder.File("newer.sqlite");
  WriteWithSqlite(newer, "PRAGMA application_id = " + std::to_string(kRecordsApplicationId) +
                             "; PRAGMA user_version = " + std::to_string(kRecordsSchemaVersion + 1) +
                             "; CREATE TABLE calibration_runs (id INTEGER PRIMARY KEY);");
  const std::string foreign = folder.File("foreign.sqlite");
  WriteWithSqlite(foreign, "CREATE TABLE equipment (serial TEXT);");
  const struct {
    const char* what;
    std::string path;
    const char* reason;
  } cases[] = {
      {"no SQLite file", folder.Write("text.sqlite", "serial,offset\nSN1,5\n"), "not a database"},
      {"a newer program's", newer, "newer program"},
      {"another program's", foreign, "not a calibration records file"},
  };
  for (const auto& c : cases) {
    const std::string before = TempFolder::Read(c.path);
    std::string error;
    EXPECT_EQ(OpenFile(c.path, &error), nullptr) << c.what;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(TempFolder::Read(c.path), before) << c.what;
  }
}

TEST(SqliteRecordsTest, TwoWritersAtOnceKeepEveryRunWhole) {
  TempFolder folder;
  const std::string path = folder.File("records.sqlite");
  constexpr int kRuns = 100;
  std::string error;
  std::unique_ptr<IRecordsStore> stores[] = {OpenFile(path, &error), OpenFile(path, &error)};
  ASSERT_TRUE(stores[0] && stores[1]) << error;
  std::vector<std::thread> writers;
  int failures[2] = {};
  for (int writer = 0; writer < 2; ++writer) {
    writers.emplace_back([&, writer] {
      for (int i = 0; i < kRuns; ++i) {
        std::string failed;
        const RobotIdentity robot{"r", "10.0.0.1", "", "SN" + std::to_string(writer)};
        failures[writer] += !stores[writer]->Append(
            TestRun(std::to_string(i), RunKind::kCalibrate, robot, i, {Ok(1, i % 80), Ok(2, 1), Ok(3, 2)}), &failed);
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(failures[0] + failures[1], 0);
  for (const char* serial : {"SN0", "SN1"}) {
    std::vector<RunRecord> runs;
    ASSERT_TRUE(stores[0]->History(Query(serial), &runs, &error)) << error;
    ASSERT_EQ(runs.size(), static_cast<std::size_t>(kRuns)) << serial;
    for (int i = 0; i < kRuns; ++i) {
      EXPECT_EQ(runs[static_cast<std::size_t>(kRuns - 1 - i)].servos,
                (std::vector<ServoRecord>{Ok(1, i % 80), Ok(2, 1), Ok(3, 2)}));
    }
  }
}

TEST(RecordsStoreTest, TheLocationTextPicksTheStore) {
  using Kind = RecordsLocation::Kind;
  const struct {
    const char* text;
    const char* relativeBase;
    RecordsLocation location;
  } cases[] = {
      {"", "", {Kind::kFile, "/data/records.sqlite", ""}},
      {"  \t", "", {Kind::kFile, "/data/records.sqlite", ""}},
      {"off", "", {}},
      {" OFF ", "", {}},
      {"offsets.sqlite", "", {Kind::kFile, "offsets.sqlite", ""}},
      {"postgresql://cal@db.factory/records", "", {Kind::kServer, "/data/records.sqlite", "postgresql://cal@db.factory/records"}},
      {"Postgres://cal@10.1.1.1:5433/r", "", {Kind::kServer, "/data/records.sqlite", "Postgres://cal@10.1.1.1:5433/r"}},
      {"postgresql:/x", "/cfg", {Kind::kFile, "/cfg/postgresql:/x", ""}},
      {"runs/a.sqlite", "/cfg/", {Kind::kFile, "/cfg/runs/a.sqlite", ""}},
      {"/var/a.sqlite", "/cfg", {Kind::kFile, "/var/a.sqlite", ""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolveRecordsLocation(c.text, "/data/", c.relativeBase), c.location) << "'" << c.text << "'";
  }
  EXPECT_EQ(ResolveRecordsLocation("", "/data", "").file, "/data/records.sqlite");
}

TEST(RecordsStoreTest, AStoreThatCannotOpenSaysWhyAndAFileStoreNeverMapsLibpq) {
  TempFolder folder;
  RecordsStoreOptions noModule;
  noModule.serverModule = "libcaltrim_records_missing.so";
  const struct {
    const char* what;
    RecordsLocation location;
    RecordsStoreOptions options;
    const char* reason;
  } cases[] = {
      {"off", {}, {}, "records are off"},
      {"no module", {RecordsLocation::Kind::kServer, folder.File("spool.sqlite"), "postgresql://a@b/c"}, noModule,
       "libcaltrim_records_missing.so"},
      {"no folder", {RecordsLocation::Kind::kFile, folder.File("none/records.sqlite"), ""}, {}, "none/records.sqlite"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(OpenRecordsStore(c.location, c.options, &error), nullptr) << c.what;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
  }
  std::string error;
  const auto store = OpenFile(folder.File("records.sqlite"), &error);
  ASSERT_TRUE(store && store->Append(TestRun("a", RunKind::kReset, {}, 0, {}), &error)) << error;
  EXPECT_FALSE(Mapped("libpq"));
  EXPECT_FALSE(Mapped("libcaltrim_records_pg"));
}

TEST(RecordsStoreTest, TimesShowAsUtcToTheMillisecondAndReadBack) {
  EXPECT_EQ(FormatUtcTime(TestTime(61, 7)), "2026-05-20T09:01:00.007Z");
  EXPECT_EQ(FormatUtcTime(FromUnixMs(-1)), "1969-12-31T23:59:59.999Z");
  const struct {
    const char* text;
    const char* time;  // as FormatUtcTime shows it; null: refused
  } cases[] = {
      {"2026-05-20", "2026-05-20T00:00:00.000Z"},
      {"2026-05-20T09:01", "2026-05-20T09:01:00.000Z"},
      {"2026-05-20 09:01:02Z", "2026-05-20T09:01:02.000Z"},
      {"2026-05-20T09:01:02.5", "2026-05-20T09:01:02.500Z"},
      {"2026-05-20T09:01:00.007Z", "2026-05-20T09:01:00.007Z"},
      {"2024-02-29T23:59:59.999Z", "2024-02-29T23:59:59.999Z"},
      {"2026-02-29", nullptr},
      {"2026-04-31", nullptr},
      {"2026-13-01", nullptr},
      {"2026-05-20T24:00", nullptr},
      {"2026-05-20T09:60", nullptr},
      {"2026-05-20T09:01:61", nullptr},
      {"2026-05-20T09:01+01:00", nullptr},
      {"2026-05-20T09:01:02.1234", nullptr},
      {"2026-05-20Z", nullptr},
      {"2026-5-20", nullptr},
      {" 2026-05-20", nullptr},
      {"yesterday", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    std::chrono::system_clock::time_point time;
    std::string error;
    const bool parsed = ParseUtcTime(c.text, &time, &error);
    EXPECT_EQ(parsed, c.time != nullptr) << "'" << c.text << "'";
    if (parsed && c.time) {
      EXPECT_EQ(FormatUtcTime(time), c.time);
    } else if (!parsed) {
      EXPECT_NE(error.find(std::string("\"") + c.text + "\" is no UTC date"), std::string::npos) << error;
    }
  }
}

}  // namespace
