#include <gtest/gtest.h>

#include <poll.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "outside/uibase/TempFolder.h"
#include "support/postgres/TempPostgres.h"
#include "tool/records/RecordsTestData.h"

namespace {

// One server for the whole binary, which ctest runs as one test: a cluster takes seconds to make.
class PostgresEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    binaries = TempPostgres::FindBinaries();
    if (!binaries.empty()) server = TempPostgres::Create(binaries, &error);
  }
  void TearDown() override { server.reset(); }

  std::string binaries;
  std::string error;
  std::unique_ptr<TempPostgres> server;
};

PostgresEnvironment* const environment =
    static_cast<PostgresEnvironment*>(testing::AddGlobalTestEnvironment(new PostgresEnvironment));

// True when the server runs; skips the test when PostgreSQL is not installed, fails it when the
// server would not start.
bool HaveServer() {
  if (environment->binaries.empty()) {
    [] { GTEST_SKIP() << "no PostgreSQL server programs (initdb, postgres) installed"; }();
    return false;
  }
  EXPECT_NE(environment->server, nullptr) << environment->error;
  return environment->server != nullptr;
}

TempPostgres* Server() { return environment->server.get(); }

// A new database of the test's own.
std::string FreshDatabase() {
  static int made = 0;
  const std::string name = "records" + std::to_string(++made);
  std::string error;
  EXPECT_TRUE(Server()->CreateDatabase(name, &error)) << error;
  return name;
}

TempFolder& Folder() {
  static TempFolder folder;
  return folder;
}

std::unique_ptr<IRecordsStore> OpenServerStore(const std::string& url, const std::string& spool,
                                               RecordsStoreOptions options = {}) {
  // By its path: a test program does not sit beside the module as the programs do.
  options.serverModule = CALTRIM_RECORDS_PG_MODULE;
  std::string error;
  auto store = OpenRecordsStore({RecordsLocation::Kind::kServer, spool, url}, options, &error);
  EXPECT_NE(store, nullptr) << error;
  return store;
}

std::unique_ptr<IRecordsStore> FreshServerStore() {
  if (!HaveServer()) return nullptr;
  const std::string db = FreshDatabase();
  return OpenServerStore(Server()->Url(db), Folder().File(db + ".sqlite"));
}

INSTANTIATE_TEST_SUITE_P(Postgres, RecordsQueryTest, testing::Values(StoreKind{"postgres", FreshServerStore}),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<std::string> Rows(const std::string& db, const std::string& sql) {
  std::string error;
  std::vector<std::string> rows = Server()->Rows(db, sql, &error);
  EXPECT_EQ(error, "") << sql;
  return rows;
}

// The statuses a store reports, for a test to wait on.
class SpoolWatch {
 public:
  std::function<void(const SpoolStatus&)> Callback() {
    return [this](const SpoolStatus& status) {
      const std::lock_guard<std::mutex> hold(m_lock);
      m_seen.push_back(status);
      m_changed.notify_all();
    };
  }
  // Waits until a report matches.
  bool WaitFor(const std::function<bool(const SpoolStatus&)>& match) {
    std::unique_lock<std::mutex> hold(m_lock);
    return m_changed.wait_for(hold, std::chrono::seconds(20), [&] {
      return std::any_of(m_seen.begin(), m_seen.end(), match);
    });
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::vector<SpoolStatus> m_seen;
};

TEST(PgRecordsTest, AServerOutageKeepsRunsWaitingThenEachGoesOnceAndInOrder) {
  if (!HaveServer()) return;
  const std::string db = FreshDatabase();
  const std::string spool = Folder().File("outage.sqlite");
  SpoolWatch watch;
  RecordsStoreOptions options;
  options.onSpoolChanged = watch.Callback();
  auto store = OpenServerStore(Server()->Url(db), spool, options);
  ASSERT_NE(store, nullptr);
  const RobotIdentity robot{"r1", "10.0.0.1", "", "SN1"};
  std::string error;

  ASSERT_TRUE(store->Append(TestRun("sent at once", RunKind::kCalibrate, robot, 0, {Ok(1, 1)}), &error)) << error;
  ASSERT_TRUE(watch.WaitFor([](const SpoolStatus& status) { return status == SpoolStatus{}; }));
  EXPECT_EQ(Rows(db, "SELECT station FROM calibration_runs"), (std::vector<std::string>{"sent at once"}));

  ASSERT_TRUE(Server()->Stop(&error)) << error;
  for (const char* label : {"a", "b", "c"}) {
    ASSERT_TRUE(store->Append(TestRun(label, RunKind::kCalibrate, robot, 1, {Ok(1, 2), Ok(2, 3)}), &error)) << error;
  }
  EXPECT_FALSE(store->Flush(std::chrono::seconds(20)));
  EXPECT_EQ(store->Spool().waiting, 3);
  EXPECT_TRUE(watch.WaitFor([](const SpoolStatus& status) { return status.waiting == 3 && !status.lastError.empty(); }));

  ASSERT_TRUE(Server()->Start(&error)) << error;
  EXPECT_TRUE(store->Flush(std::chrono::seconds(20))) << store->Spool().lastError;
  EXPECT_EQ(store->Spool(), SpoolStatus{});
  const std::vector<std::string> expected{"sent at once|1", "a|2", "b|2", "c|2"};
  const std::string sent =
      "SELECT station, count(s.seq) FROM calibration_runs r JOIN run_servos s ON s.run_id = r.id"
      " GROUP BY r.id ORDER BY r.id";
  EXPECT_EQ(Rows(db, sent), expected);

  // A station that went down after the server took its runs, before it marked them sent.
  store.reset();
  sqlite3* file = nullptr;
  ASSERT_EQ(sqlite3_open(spool.c_str(), &file), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(file, "UPDATE calibration_runs SET waiting = 1", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(file);
  store = OpenServerStore(Server()->Url(db), spool);
  EXPECT_EQ(store->Spool().waiting, 4);
  EXPECT_TRUE(store->Flush(std::chrono::seconds(20))) << store->Spool().lastError;
  EXPECT_EQ(Rows(db, sent), expected);
}

TEST(PgRecordsTest, ManyWritersAtOnceOnANewDatabaseKeepEveryRunOnceInEachWritersOrder) {
  if (!HaveServer()) return;
  const std::string db = FreshDatabase();
  const std::string url = Server()->Url(db);
  // Two programs on one station share its spool; a second station has its own.
  std::unique_ptr<IRecordsStore> stores[] = {OpenServerStore(url, Folder().File("station1.sqlite")),
                                             OpenServerStore(url, Folder().File("station1.sqlite")),
                                             OpenServerStore(url, Folder().File("station2.sqlite"))};
  ASSERT_TRUE(stores[0] && stores[1] && stores[2]);
  constexpr int kRuns = 40;
  std::vector<std::thread> writers;
  for (int writer = 0; writer < 3; ++writer) {
    writers.emplace_back([&, writer] {
      for (int i = 0; i < kRuns; ++i) {
        std::string error;
        const RobotIdentity robot{"r", "10.0.0.1", "", "SN" + std::to_string(writer)};
        EXPECT_TRUE(stores[writer]->Append(TestRun("w" + std::to_string(writer), RunKind::kCalibrate, robot, i,
                                                   {Ok(1, i)}), &error)) << error;
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  for (auto& store : stores) EXPECT_TRUE(store->Flush(std::chrono::seconds(30))) << store->Spool().lastError;

  EXPECT_EQ(Rows(db, "SELECT count(*), count(DISTINCT uid) FROM calibration_runs"),
            (std::vector<std::string>{std::to_string(3 * kRuns) + "|" + std::to_string(3 * kRuns)}));
  // Each writer's offsets, in the order the server numbered its runs, are 0, 1, 2, ...
  EXPECT_EQ(Rows(db,
                 "SELECT r.station, string_agg(s.sent::text, ',' ORDER BY r.id) = "
                 " (SELECT string_agg(n::text, ',') FROM generate_series(0, " + std::to_string(kRuns - 1) + ") n)"
                 " FROM calibration_runs r JOIN run_servos s ON s.run_id = r.id GROUP BY r.station ORDER BY 1"),
            (std::vector<std::string>{"w0|t", "w1|t", "w2|t"}));
}

TEST(PgRecordsTest, ClosingTheStoreEndsAWaitForASilentServerAtOnce) {
  TempFolder folder;
  // A "server" that takes the connection into its backlog and never answers.
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = folder.File(".s.PGSQL.5432");
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  std::string host;
  for (const char c : folder.Path().string()) host += c == '/' ? std::string("%2F") : std::string(1, c);

  RecordsStoreOptions options;
  options.serverTimeout = std::chrono::seconds(60);
  auto store = OpenServerStore("postgresql://caltrim@" + host + ":5432/records", folder.File("spool.sqlite"), options);
  ASSERT_NE(store, nullptr);
  std::string error;
  ASSERT_TRUE(store->Append(TestRun("a", RunKind::kReset, {}, 0, {}), &error)) << error;
  pollfd connecting{listener, POLLIN, 0};
  ASSERT_EQ(::poll(&connecting, 1, 20000), 1) << "the store never tried to connect";

  auto closed = std::async(std::launch::async, [&] { store.reset(); });
  EXPECT_EQ(closed.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  closed.wait();
  ::close(listener);
}

}  // namespace
