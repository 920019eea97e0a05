#include "records/sqlite/SqliteRecords.h"

#include <ZAVUIBase.h>

#include "calibration/rules/CalibrationModel.h"
#include "records/sqlite/SqliteSchema.h"

namespace {

// How long a statement waits for another connection's write lock (another program appending)
// before it gives up.
constexpr int kBusyWaitMs = 5000;

// The kinds that write offsets (WritesOffsets), as SQL.
constexpr char kOffsetKinds[] = "('calibrate', 'offsets-write', 'restore')";

// A run's columns (from calibration_runs r) and its servos' (from run_servos s), as ReadRuns
// reads them; the time as Unix milliseconds.
constexpr char kRunColumns[] =
    "r.id, r.uid, CAST(round((julianday(r.time) - 2440587.5) * 86400000.0) AS INTEGER),"
    " r.station, r.operator, r.program, r.program_version,"
    " r.robot_name, r.address, r.mac, r.serial, r.kind,"
    " s.servo, s.before, s.sent, s.outcome";

// Unix milliseconds (parameter name) in the stored time form.
std::string StoredTime(const char* parameter) {
  return std::string("strftime('%Y-%m-%dT%H:%M:%fZ', ") + parameter + " / 1000.0, 'unixepoch')";
}

std::string CleanText(const std::string& text) {
  std::string clean = ZAVNarrowToUtf8(ZAVWidenUtf8(text));
  for (std::size_t at = clean.find('\0'); at != std::string::npos; at = clean.find('\0', at)) {
    clean.replace(at, 1, "\xEF\xBF\xBD");
  }
  return clean;
}

// The run of the current row (its servo columns aside).
RunRecord RunOfRow(const SqliteStatement& row) {
  RunRecord run;
  run.id = row.Int(0);
  run.uid = row.Text(1);
  run.time = FromUnixMs(row.Int(2));
  run.station = row.Text(3);
  run.operatorName = row.Text(4);
  run.program = row.Text(5);
  run.programVersion = row.Text(6);
  run.robot = {row.Text(7), row.Text(8), row.Text(9), row.Text(10)};
  run.kind = RunKindFromName(row.Text(11)).value_or(RunKind::kCalibrate);  // the schema checks it
  return run;
}

}  // namespace

RunRecord WithCleanTexts(RunRecord run) {
  for (std::string* text : {&run.uid, &run.station, &run.operatorName, &run.program, &run.programVersion,
                            &run.robot.name, &run.robot.address, &run.robot.mac, &run.robot.serial}) {
    *text = CleanText(*text);
  }
  return run;
}

std::unique_ptr<SqliteRecords> SqliteRecords::Open(const std::string& path, bool spool, std::string* error) {
  std::unique_ptr<SqliteRecords> records(new SqliteRecords(spool));
  // synchronous NORMAL: in WAL mode a commit is a write to the log, without waiting for the disk;
  // a power cut may lose the last commits, never corrupt the file.
  if (!records->m_db.Open(path, true, kBusyWaitMs, error) || !PrepareRecordsSchema(&records->m_db, error) ||
      !records->m_db.Exec("PRAGMA synchronous = NORMAL", error)) {
    return nullptr;
  }
  return records;
}

bool SqliteRecords::Append(const RunRecord& run, std::string* error) {
  const std::lock_guard<std::mutex> hold(m_lock);
  SqliteTransaction transaction(&m_db);
  if (!transaction.Began()) {
    *error = m_db.LastError();
    return false;
  }
  if (!Insert(WithCleanTexts(run), error)) return false;
  if (!transaction.Commit()) {
    *error = m_db.LastError();
    return false;
  }
  return true;
}

bool SqliteRecords::Insert(const RunRecord& run, std::string* error) {
  const std::string sql =
      "INSERT INTO calibration_runs (uid, time, station, operator, program, program_version,"
      " robot_name, address, mac, serial, robot_key, kind, waiting)"
      " VALUES (coalesce(nullif(:uid, ''), lower(hex(randomblob(16)))), " + StoredTime(":ms") + ","
      " :station, :operator, :program, :version, :name, :address, :mac, :serial, :key, :kind, :waiting)"
      " ON CONFLICT (uid) DO NOTHING";
  SqliteStatement insert(m_db.Handle(), sql.c_str());
  insert.Bind(":uid", run.uid);
  insert.Bind(":ms", ToUnixMs(run.time));
  insert.Bind(":station", run.station);
  insert.Bind(":operator", run.operatorName);
  insert.Bind(":program", run.program);
  insert.Bind(":version", run.programVersion);
  insert.Bind(":name", run.robot.name);
  insert.Bind(":address", run.robot.address);
  insert.Bind(":mac", run.robot.mac);
  insert.Bind(":serial", run.robot.serial);
  insert.Bind(":key", RobotKey(run.robot));
  insert.Bind(":kind", RunKindName(run.kind));
  insert.Bind(":waiting", std::int64_t{m_bSpool ? 1 : 0});
  if (!insert.Run()) {
    *error = m_db.LastError();
    return false;
  }
  if (m_db.QueryInt("SELECT changes()") != 1) return true;  // a run with this uid is kept already
  const std::int64_t runId = *m_db.QueryInt("SELECT last_insert_rowid()");
  SqliteStatement servo(m_db.Handle(),
                        "INSERT INTO run_servos (run_id, seq, servo, before, sent, outcome)"
                        " VALUES (:run, :seq, :servo, :before, :sent, :outcome)");
  for (std::size_t seq = 0; seq < run.servos.size(); ++seq) {
    const ServoRecord& line = run.servos[seq];
    servo.Reset();
    servo.Bind(":run", runId);
    servo.Bind(":seq", static_cast<std::int64_t>(seq));
    servo.Bind(":servo", std::int64_t{line.id});
    servo.Bind(":before", line.before);
    servo.Bind(":sent", line.sent);
    servo.Bind(":outcome", ServoOutcomeName(line.outcome));
    if (!servo.Run()) {
      *error = m_db.LastError();
      return false;
    }
  }
  return true;
}

bool SqliteRecords::ReadRuns(SqliteStatement* statement, std::vector<RunRecord>* runs, std::string* error) {
  runs->clear();
  while (statement->Next()) {
    if (runs->empty() || runs->back().id != statement->Int(0)) runs->push_back(RunOfRow(*statement));
    if (const std::optional<int> servo = statement->OptionalInt(12)) {
      const ServoOutcome outcome = ServoOutcomeFromName(statement->Text(15)).value_or(ServoOutcome::kNoReply);
      runs->back().servos.push_back({*servo, statement->OptionalInt(13), statement->OptionalInt(14), outcome});
    }
  }
  if (!statement->Failed()) return true;
  *error = m_db.LastError();
  return false;
}

bool SqliteRecords::History(const HistoryQuery& query, std::vector<RunRecord>* runs, std::string* error) {
  std::string filter;
  if (!query.serial.empty()) filter += " AND serial = :serial";
  if (!query.mac.empty()) filter += " AND lower(mac) = lower(:mac)";
  if (query.since) filter += " AND time >= " + StoredTime(":since");
  const std::string sql =
      "WITH r AS (SELECT * FROM calibration_runs WHERE 1" + filter +
      " ORDER BY time DESC, id DESC LIMIT :limit)"
      " SELECT " + kRunColumns + " FROM r LEFT JOIN run_servos s ON s.run_id = r.id"
      " ORDER BY r.time DESC, r.id DESC, s.seq";
  const std::lock_guard<std::mutex> hold(m_lock);
  SqliteStatement statement(m_db.Handle(), sql.c_str());
  statement.Bind(":serial", query.serial);
  statement.Bind(":mac", query.mac);
  if (query.since) statement.Bind(":since", ToUnixMs(*query.since));
  statement.Bind(":limit", std::int64_t{query.limit > 0 ? query.limit : -1});
  return ReadRuns(&statement, runs, error);
}

bool SqliteRecords::Stats(std::vector<ServoStats>* stats, std::string* error) {
  // The variance from integer sums, (n * sum(v^2) - sum(v)^2) / n^2, is exact before the root.
  const std::string sql =
      std::string("WITH accepted AS (SELECT s.servo, s.sent AS value, row_number() OVER (") +
      " PARTITION BY r.robot_key, s.servo ORDER BY r.time DESC, r.id DESC, s.seq DESC) AS latest"
      " FROM calibration_runs r JOIN run_servos s ON s.run_id = r.id"
      " WHERE r.kind IN " + kOffsetKinds + " AND s.outcome = 'Ok' AND s.sent IS NOT NULL)"
      " SELECT servo, count(*), avg(value), min(value), max(value),"
      " sqrt((count(*) * sum(value * value) - sum(value) * sum(value)) * 1.0 / (count(*) * count(*))),"
      " sum(value <= :low OR value >= :high)"
      " FROM accepted WHERE latest = 1 GROUP BY servo ORDER BY servo";
  const std::lock_guard<std::mutex> hold(m_lock);
  SqliteStatement statement(m_db.Handle(), sql.c_str());
  statement.Bind(":low", std::int64_t{kMinCaliOffset + kNearLimitMargin});
  statement.Bind(":high", std::int64_t{kMaxCaliOffset - kNearLimitMargin});
  stats->clear();
  while (statement.Next()) {
    stats->push_back({static_cast<int>(statement.Int(0)), static_cast<int>(statement.Int(1)), statement.Real(2),
                      static_cast<int>(statement.Int(3)), static_cast<int>(statement.Int(4)), statement.Real(5),
                      static_cast<int>(statement.Int(6))});
  }
  if (!statement.Failed()) return true;
  *error = m_db.LastError();
  return false;
}

bool SqliteRecords::Calibration(const std::string& robotKey, std::optional<std::int64_t> runId,
                                CalibrationOffsets* offsets, std::string* error) {
  const std::string target =
      std::string("SELECT " ) + kRunColumns + " FROM calibration_runs r LEFT JOIN run_servos s ON s.run_id = r.id"
      " WHERE r.id = (SELECT c.id FROM calibration_runs c WHERE c.robot_key = :key AND c.kind IN " + kOffsetKinds +
      (runId ? " AND c.id = :run" : "") +
      " AND EXISTS (SELECT 1 FROM run_servos o WHERE o.run_id = c.id)"
      " AND NOT EXISTS (SELECT 1 FROM run_servos o WHERE o.run_id = c.id AND o.outcome <> 'Ok')"
      " ORDER BY c.time DESC, c.id DESC LIMIT 1) ORDER BY s.seq";
  const std::string accepted =
      std::string("WITH t AS (SELECT time, id FROM calibration_runs WHERE id = :run),") +
      " accepted AS (SELECT s.servo, s.sent AS value, row_number() OVER ("
      " PARTITION BY s.servo ORDER BY r.time DESC, r.id DESC, s.seq DESC) AS latest"
      " FROM calibration_runs r JOIN run_servos s ON s.run_id = r.id, t"
      " WHERE r.robot_key = :key AND r.kind IN " + kOffsetKinds +
      " AND s.outcome = 'Ok' AND s.sent IS NOT NULL AND (r.time, r.id) <= (t.time, t.id))"
      " SELECT servo, value FROM accepted WHERE latest = 1 ORDER BY servo";
  const std::lock_guard<std::mutex> hold(m_lock);
  SqliteStatement run(m_db.Handle(), target.c_str());
  run.Bind(":key", robotKey);
  if (runId) run.Bind(":run", *runId);
  std::vector<RunRecord> found;
  if (!ReadRuns(&run, &found, error)) return false;
  if (found.empty()) {
    *error = runId ? "run " + std::to_string(*runId) + " is no successful calibration of " + robotKey
                   : "no successful calibration of " + robotKey;
    return false;
  }
  offsets->run = found.front();
  offsets->offsets.clear();
  SqliteStatement values(m_db.Handle(), accepted.c_str());
  values.Bind(":run", offsets->run.id);
  values.Bind(":key", robotKey);
  while (values.Next()) {
    offsets->offsets.emplace_back(static_cast<int>(values.Int(0)), static_cast<int>(values.Int(1)));
  }
  if (!values.Failed()) return true;
  *error = m_db.LastError();
  return false;
}

bool SqliteRecords::Waiting(int limit, std::vector<RunRecord>* runs, std::string* error) {
  const std::string sql =
      std::string("WITH r AS (SELECT * FROM calibration_runs WHERE waiting = 1 ORDER BY id LIMIT :limit)") +
      " SELECT " + kRunColumns + " FROM r LEFT JOIN run_servos s ON s.run_id = r.id ORDER BY r.id, s.seq";
  const std::lock_guard<std::mutex> hold(m_lock);
  SqliteStatement statement(m_db.Handle(), sql.c_str());
  statement.Bind(":limit", std::int64_t{limit});
  return ReadRuns(&statement, runs, error);
}

std::optional<int> SqliteRecords::CountWaiting() {
  const std::lock_guard<std::mutex> hold(m_lock);
  const std::optional<std::int64_t> count = m_db.QueryInt("SELECT count(*) FROM calibration_runs WHERE waiting = 1");
  if (!count) return std::nullopt;
  return static_cast<int>(*count);
}

bool SqliteRecords::MarkSent(const std::vector<std::string>& uids, std::string* error) {
  const std::lock_guard<std::mutex> hold(m_lock);
  SqliteTransaction transaction(&m_db);
  SqliteStatement mark(m_db.Handle(), "UPDATE calibration_runs SET waiting = 0 WHERE uid = :uid");
  for (const std::string& uid : uids) {
    mark.Reset();
    mark.Bind(":uid", uid);
    if (!mark.Run()) break;
  }
  if (transaction.Began() && !mark.Failed() && transaction.Commit()) return true;
  *error = m_db.LastError();
  return false;
}
