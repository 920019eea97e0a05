// The calibration records (figures in README.md): what recording adds to a calibration run, and
// how long `history --serial` takes over 100 000 runs, on an SQLite file and on a PostgreSQL
// server (a temporary cluster of the bench's own, on a Unix socket: no network).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "records/RecordsStore.h"
#include "support/postgres/TempPostgres.h"

namespace {

constexpr int kRuns = 100000;
constexpr int kRobots = 25000;  // four runs each
constexpr int kServos = 20;

std::string Serial(int robot) {
  char serial[16];
  std::snprintf(serial, sizeof serial, "SN%06d", robot);
  return serial;
}

RunRecord CalibrationRun(int n) {
  RunRecord run = NewRunRecord(RunKind::kCalibrate, "Caltrim", "1.0.0.4");
  run.time = FromUnixMs(1767225600000LL + n * 60000LL);
  run.robot = {"Vorla2", "10.0.0." + std::to_string(n % 200 + 1), "", Serial(n % kRobots)};
  for (int id = 1; id <= kServos; ++id) {
    run.servos.push_back({id, (n * 7 + id) % 40 - 20, (n * 13 + id) % 60 - 30, ServoOutcome::kOk});
  }
  return run;
}

// What the benchmarks share: the folder, the server, a records file and a server store that both
// hold kRuns runs.
struct Fixture {
  std::filesystem::path folder;
  std::unique_ptr<TempPostgres> server;
  std::unique_ptr<IRecordsStore> file;
  std::unique_ptr<IRecordsStore> spool;
};
Fixture* fixture = nullptr;

bool MakeFileStore(std::string* error) {
  fixture->file = OpenRecordsStore({RecordsLocation::Kind::kFile, (fixture->folder / "records.sqlite").string(), ""},
                                   {}, error);
  if (!fixture->file) return false;
  const auto start = std::chrono::steady_clock::now();
  for (int n = 0; n < kRuns; ++n) {
    if (!fixture->file->Append(CalibrationRun(n), error)) return false;
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::printf("records file: %d appends of %d servos in %.1f s (%.3f ms each)\n", kRuns, kServos, took.count(),
              took.count() * 1000 / kRuns);
  return true;
}

// The server's runs are written by SQL on the server (what the spool would send, without
// timing 100 000 round trips), after the store made the schema with a first run.
bool MakeServerStore(std::string* error) {
  const std::string binaries = TempPostgres::FindBinaries();
  if (binaries.empty()) {
    *error = "no PostgreSQL server programs";
    return false;
  }
  fixture->server = TempPostgres::Create(binaries, error);
  if (!fixture->server || !fixture->server->CreateDatabase("bench", error)) return false;
  fixture->spool = OpenRecordsStore(
      {RecordsLocation::Kind::kServer, (fixture->folder / "spool.sqlite").string(), fixture->server->Url("bench")},
      {}, error);
  if (!fixture->spool || !fixture->spool->Append(CalibrationRun(kRuns), error)) return false;
  if (!fixture->spool->Flush(std::chrono::seconds(30))) {
    *error = fixture->spool->Spool().lastError;
    return false;
  }
  const std::string fill =
      "INSERT INTO calibration_runs (uid, time, station, operator, program, program_version, robot_name,"
      " address, mac, serial, robot_key, kind)"
      " SELECT md5(n::text), timestamptz '2026-01-01' + n * interval '1 minute', 'bench', 'op', 'Caltrim',"
      " '1.0.0.4', 'Vorla2', '10.0.0.' || (n % 200 + 1), '', 'SN' || lpad((n % " + std::to_string(kRobots) +
      ")::text, 6, '0'), 'SN' || lpad((n % " + std::to_string(kRobots) + ")::text, 6, '0'), 'calibrate'"
      " FROM generate_series(0, " + std::to_string(kRuns - 1) + ") n;"
      " INSERT INTO run_servos (run_id, seq, servo, before, sent, outcome)"
      " SELECT r.id, k - 1, k, (r.id * 7 + k) % 40 - 20, (r.id * 13 + k) % 60 - 30, 'Ok'"
      " FROM calibration_runs r, generate_series(1, " + std::to_string(kServos) + ") k WHERE r.station = 'bench';"
      " ANALYZE";
  fixture->server->Rows("bench", fill, error);
  return error->empty();
}

void Record(benchmark::State& state, IRecordsStore* store) {
  int n = 0;
  for (auto _ : state) {
    std::string error;
    if (!store->Append(CalibrationRun(n++), &error)) state.SkipWithError(error.c_str());
  }
}

void History(benchmark::State& state, IRecordsStore* store) {
  int robot = 0;
  for (auto _ : state) {
    HistoryQuery query;
    query.serial = Serial(robot);
    robot = (robot + 7919) % kRobots;
    std::vector<RunRecord> runs;
    std::string error;
    if (!store->History(query, &runs, &error) || runs.size() < 4) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(runs);
  }
}

// A calibration run of 20 servos recorded into a records file of 100 000 runs.
void BM_RecordRunToFile(benchmark::State& state) { Record(state, fixture->file.get()); }
// The same into the spool of a server store whose sending thread is at work meanwhile.
void BM_RecordRunToSpool(benchmark::State& state) { Record(state, fixture->spool.get()); }
// `history --serial` of one robot (four runs) among 100 000.
void BM_HistoryBySerialFromFile(benchmark::State& state) { History(state, fixture->file.get()); }
void BM_HistoryBySerialFromServer(benchmark::State& state) { History(state, fixture->spool.get()); }

BENCHMARK(BM_HistoryBySerialFromFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_HistoryBySerialFromServer)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_RecordRunToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
BENCHMARK(BM_RecordRunToSpool)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  char pattern[] = "/var/tmp/caltrim-records-bench.XXXXXX";  // on disk, not a memory file system
  Fixture shared;
  shared.folder = ::mkdtemp(pattern);
  fixture = &shared;
  std::string error;
  const bool ready = MakeFileStore(&error) && MakeServerStore(&error);
  if (ready) benchmark::RunSpecifiedBenchmarks();
  if (!ready) std::fprintf(stderr, "bench_records: %s\n", error.c_str());
  shared.spool.reset();
  shared.server.reset();
  std::filesystem::remove_all(shared.folder);
  benchmark::Shutdown();
  return ready ? 0 : 1;
}
