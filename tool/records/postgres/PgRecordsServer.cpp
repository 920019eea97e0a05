#include "records/postgres/PgRecordsServer.h"

#include <json/json.h>
#include <libpq-fe.h>

#include <cstdlib>

#include "calibration/rules/CalibrationModel.h"

namespace {

constexpr int kSchemaVersion = 1;

constexpr char kSchema[] = R"sql(
CREATE TABLE calibration_runs (
  id bigserial PRIMARY KEY,
  uid text NOT NULL UNIQUE,
  time timestamptz NOT NULL,
  station text NOT NULL,
  operator text NOT NULL,
  program text NOT NULL,
  program_version text NOT NULL,
  robot_name text NOT NULL,
  address text NOT NULL,
  mac text NOT NULL,
  serial text NOT NULL,
  robot_key text NOT NULL,
  kind text NOT NULL
    CHECK (kind IN ('calibrate', 'offsets-write', 'restore', 'reset', 'serial-write')),
  received timestamptz NOT NULL DEFAULT now()
);
CREATE TABLE run_servos (
  run_id bigint NOT NULL REFERENCES calibration_runs (id),
  seq integer NOT NULL,
  servo integer NOT NULL,
  before integer,
  sent integer,
  outcome text NOT NULL CHECK (outcome IN ('Ok', 'Failed', 'no reply')),
  PRIMARY KEY (run_id, seq)
);
CREATE INDEX runs_by_serial ON calibration_runs (serial);
CREATE INDEX runs_by_mac ON calibration_runs (lower(mac));
CREATE INDEX runs_by_time ON calibration_runs (time, id);
CREATE INDEX runs_by_robot ON calibration_runs (robot_key, time, id);
)sql";

// The kinds that write offsets (WritesOffsets), as SQL.
constexpr char kOffsetKinds[] = "('calibrate', 'offsets-write', 'restore')";

// Unix milliseconds as a time, and back.
std::string TimeOf(const std::string& parameter) {
  return "(timestamptz 'epoch' + " + parameter + "::bigint * interval '1 millisecond')";
}
constexpr char kRunColumns[] =
    "r.id, r.uid, (extract(epoch FROM r.time) * 1000)::bigint,"
    " r.station, r.operator, r.program, r.program_version,"
    " r.robot_name, r.address, r.mac, r.serial, r.kind,"
    " s.servo, s.before, s.sent, s.outcome";

constexpr char kInsertRun[] = R"sql(
WITH run AS (
  INSERT INTO calibration_runs (uid, time, station, operator, program, program_version,
                                robot_name, address, mac, serial, robot_key, kind)
  VALUES ($1, timestamptz 'epoch' + $2::bigint * interval '1 millisecond',
          $3, $4, $5, $6, $7, $8, $9, $10, $11, $12)
  ON CONFLICT (uid) DO NOTHING
  RETURNING id)
INSERT INTO run_servos (run_id, seq, servo, before, sent, outcome)
SELECT run.id, s.seq, s.servo, s.before, s.sent, s.outcome
FROM run, jsonb_to_recordset($13::jsonb)
       AS s (seq integer, servo integer, before integer, sent integer, outcome text)
)sql";

std::string Value(const PGresult* result, int row, int column) { return PQgetvalue(result, row, column); }

std::int64_t IntValue(const PGresult* result, int row, int column) {
  return std::strtoll(PQgetvalue(result, row, column), nullptr, 10);
}

std::optional<int> OptionalInt(const PGresult* result, int row, int column) {
  if (PQgetisnull(result, row, column)) return std::nullopt;
  return static_cast<int>(IntValue(result, row, column));
}

// The runs of a result of kRunColumns, grouped by run.
std::vector<RunRecord> RunsOf(const PGresult* result) {
  std::vector<RunRecord> runs;
  for (int row = 0; row < PQntuples(result); ++row) {
    if (runs.empty() || runs.back().id != IntValue(result, row, 0)) {
      RunRecord run;
      run.id = IntValue(result, row, 0);
      run.uid = Value(result, row, 1);
      run.time = FromUnixMs(IntValue(result, row, 2));
      run.station = Value(result, row, 3);
      run.operatorName = Value(result, row, 4);
      run.program = Value(result, row, 5);
      run.programVersion = Value(result, row, 6);
      run.robot = {Value(result, row, 7), Value(result, row, 8), Value(result, row, 9), Value(result, row, 10)};
      run.kind = RunKindFromName(Value(result, row, 11)).value_or(RunKind::kCalibrate);  // the schema checks it
      runs.push_back(std::move(run));
    }
    if (const std::optional<int> servo = OptionalInt(result, row, 12)) {
      const ServoOutcome outcome = ServoOutcomeFromName(Value(result, row, 15)).value_or(ServoOutcome::kNoReply);
      runs.back().servos.push_back({*servo, OptionalInt(result, row, 13), OptionalInt(result, row, 14), outcome});
    }
  }
  return runs;
}

std::string ServosJson(const RunRecord& run) {
  Json::Value servos(Json::arrayValue);
  for (std::size_t seq = 0; seq < run.servos.size(); ++seq) {
    const ServoRecord& line = run.servos[seq];
    Json::Value servo;
    servo["seq"] = static_cast<Json::UInt64>(seq);
    servo["servo"] = line.id;
    servo["before"] = line.before ? Json::Value(*line.before) : Json::Value();
    servo["sent"] = line.sent ? Json::Value(*line.sent) : Json::Value();
    servo["outcome"] = std::string(ServoOutcomeName(line.outcome));
    servos.append(servo);
  }
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  return Json::writeString(writer, servos);
}

PgConnection::Params InsertParams(const RunRecord& run) {
  return {run.uid,
          std::to_string(ToUnixMs(run.time)),
          run.station,
          run.operatorName,
          run.program,
          run.programVersion,
          run.robot.name,
          run.robot.address,
          run.robot.mac,
          run.robot.serial,
          RobotKey(run.robot),
          std::string(RunKindName(run.kind)),
          ServosJson(run)};
}

}  // namespace

PgRecordsServer::PgRecordsServer(std::string url, std::chrono::milliseconds timeout)
    : m_conn(std::move(url), timeout) {}

bool PgRecordsServer::Ready(std::string* error) {
  if (m_conn.Connected()) return true;
  return m_conn.Connect(error) && MakeSchema(error);
}

bool PgRecordsServer::MakeSchema(std::string* error) {
  // The lock holds until the transaction ends; the number is this program's own.
  PgResult version = m_conn.Exec(
      "BEGIN; SELECT pg_advisory_xact_lock(4354524); "
      "CREATE TABLE IF NOT EXISTS calibration_schema (version integer NOT NULL); "
      "SELECT coalesce(max(version), 0) FROM calibration_schema",
      {}, error);
  if (!version) return false;
  const std::int64_t found = IntValue(version.get(), 0, 0);
  if (found > kSchemaVersion) {
    *error = "records server: its schema (version " + std::to_string(found) + ") is a newer program's";
    m_conn.Close();
    return false;
  }
  if (found == 0 && !m_conn.Exec(std::string(kSchema) + "INSERT INTO calibration_schema VALUES (" +
                                     std::to_string(kSchemaVersion) + ")",
                                 {}, error)) {
    return false;
  }
  return m_conn.Exec("COMMIT", {}, error) != nullptr;
}

PgResult PgRecordsServer::Query(const std::string& sql, const PgConnection::Params& params, std::string* error) {
  if (!Ready(error)) return nullptr;
  return m_conn.Exec(sql, params, error);
}

bool PgRecordsServer::Send(const std::vector<RunRecord>& runs, std::string* error) {
  if (!Query("BEGIN", {}, error)) return false;
  for (const RunRecord& run : runs) {
    if (!m_conn.Exec(kInsertRun, InsertParams(run), error)) return false;  // closing rolls back
  }
  return m_conn.Exec("COMMIT", {}, error) != nullptr;
}

bool PgRecordsServer::History(const HistoryQuery& query, std::vector<RunRecord>* runs, std::string* error) {
  PgConnection::Params params;
  std::string filter;
  const auto add = [&](const std::string& value) {
    params.push_back(value);
    return "$" + std::to_string(params.size());
  };
  if (!query.serial.empty()) filter += " AND serial = " + add(query.serial);
  if (!query.mac.empty()) filter += " AND lower(mac) = lower(" + add(query.mac) + ")";
  if (query.since) filter += " AND time >= " + TimeOf(add(std::to_string(ToUnixMs(*query.since))));
  params.push_back(query.limit > 0 ? std::optional<std::string>(std::to_string(query.limit)) : std::nullopt);
  const std::string sql =
      "WITH r AS (SELECT * FROM calibration_runs WHERE true" + filter + " ORDER BY time DESC, id DESC LIMIT $" +
      std::to_string(params.size()) + "::bigint) SELECT " + kRunColumns +
      " FROM r LEFT JOIN run_servos s ON s.run_id = r.id ORDER BY r.time DESC, r.id DESC, s.seq";
  const PgResult result = Query(sql, params, error);
  if (!result) return false;
  *runs = RunsOf(result.get());
  return true;
}

bool PgRecordsServer::Stats(std::vector<ServoStats>* stats, std::string* error) {
  const std::string sql =
      std::string("WITH accepted AS (SELECT s.servo, s.sent AS value, row_number() OVER (") +
      " PARTITION BY r.robot_key, s.servo ORDER BY r.time DESC, r.id DESC, s.seq DESC) AS latest"
      " FROM calibration_runs r JOIN run_servos s ON s.run_id = r.id"
      " WHERE r.kind IN " + kOffsetKinds + " AND s.outcome = 'Ok' AND s.sent IS NOT NULL)"
      " SELECT servo, count(*), avg(value)::float8, min(value), max(value), stddev_pop(value)::float8,"
      " count(*) FILTER (WHERE value <= $1::integer OR value >= $2::integer)"
      " FROM accepted WHERE latest = 1 GROUP BY servo ORDER BY servo";
  const PgResult result = Query(sql,
                                {std::to_string(kMinCaliOffset + kNearLimitMargin),
                                 std::to_string(kMaxCaliOffset - kNearLimitMargin)},
                                error);
  if (!result) return false;
  stats->clear();
  const PGresult* rows = result.get();
  for (int row = 0; row < PQntuples(rows); ++row) {
    stats->push_back({static_cast<int>(IntValue(rows, row, 0)), static_cast<int>(IntValue(rows, row, 1)),
                      std::strtod(PQgetvalue(rows, row, 2), nullptr), static_cast<int>(IntValue(rows, row, 3)),
                      static_cast<int>(IntValue(rows, row, 4)), std::strtod(PQgetvalue(rows, row, 5), nullptr),
                      static_cast<int>(IntValue(rows, row, 6))});
  }
  return true;
}

bool PgRecordsServer::Calibration(const std::string& robotKey, std::optional<std::int64_t> runId,
                                  CalibrationOffsets* offsets, std::string* error) {
  const std::string target =
      std::string("SELECT ") + kRunColumns + " FROM calibration_runs r LEFT JOIN run_servos s ON s.run_id = r.id"
      " WHERE r.id = (SELECT c.id FROM calibration_runs c WHERE c.robot_key = $1 AND c.kind IN " + kOffsetKinds +
      " AND ($2::bigint IS NULL OR c.id = $2::bigint)"
      " AND EXISTS (SELECT 1 FROM run_servos o WHERE o.run_id = c.id)"
      " AND NOT EXISTS (SELECT 1 FROM run_servos o WHERE o.run_id = c.id AND o.outcome <> 'Ok')"
      " ORDER BY c.time DESC, c.id DESC LIMIT 1) ORDER BY s.seq";
  const PgResult run = Query(
      target, {robotKey, runId ? std::optional<std::string>(std::to_string(*runId)) : std::nullopt}, error);
  if (!run) return false;
  const std::vector<RunRecord> found = RunsOf(run.get());
  if (found.empty()) {
    *error = runId ? "run " + std::to_string(*runId) + " is no successful calibration of " + robotKey
                   : "no successful calibration of " + robotKey;
    return false;
  }
  const std::string accepted =
      std::string("WITH t AS (SELECT time, id FROM calibration_runs WHERE id = $2::bigint),") +
      " accepted AS (SELECT s.servo, s.sent AS value, row_number() OVER ("
      " PARTITION BY s.servo ORDER BY r.time DESC, r.id DESC, s.seq DESC) AS latest"
      " FROM calibration_runs r JOIN run_servos s ON s.run_id = r.id, t"
      " WHERE r.robot_key = $1 AND r.kind IN " + kOffsetKinds +
      " AND s.outcome = 'Ok' AND s.sent IS NOT NULL AND (r.time, r.id) <= (t.time, t.id))"
      " SELECT servo, value FROM accepted WHERE latest = 1 ORDER BY servo";
  const PgResult values = Query(accepted, {robotKey, std::to_string(found.front().id)}, error);
  if (!values) return false;
  offsets->run = found.front();
  offsets->offsets.clear();
  for (int row = 0; row < PQntuples(values.get()); ++row) {
    offsets->offsets.emplace_back(static_cast<int>(IntValue(values.get(), row, 0)),
                                  static_cast<int>(IntValue(values.get(), row, 1)));
  }
  return true;
}

// The module's one export (RecordsServer.h).
extern "C" __attribute__((visibility("default"))) IRecordsServer* CaltrimRecordsServer1(const char* url,
                                                                                         int timeoutMs) {
  return new PgRecordsServer(url, std::chrono::milliseconds(timeoutMs));
}
