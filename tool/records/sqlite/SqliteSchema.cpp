#include "records/sqlite/SqliteSchema.h"

#include "records/sqlite/SqliteDatabase.h"

namespace {

// Version 1: one station's own file. Times in SQLite's datetime('now') form (UTC, whole
// seconds); a robot known by its serial number or its address.
constexpr char kVersion1[] = R"sql(
PRAGMA application_id = 1129599565; -- kRecordsApplicationId, "CTRM"
CREATE TABLE calibration_runs (
  id INTEGER PRIMARY KEY,
  time TEXT NOT NULL,
  station TEXT NOT NULL,
  operator TEXT NOT NULL,
  program TEXT NOT NULL,
  program_version TEXT NOT NULL,
  robot_name TEXT NOT NULL,
  address TEXT NOT NULL,
  serial TEXT NOT NULL,
  kind TEXT NOT NULL
    CHECK (kind IN ('calibrate', 'offsets-write', 'restore', 'reset', 'serial-write'))
);
CREATE TABLE run_servos (
  run_id INTEGER NOT NULL REFERENCES calibration_runs (id),
  seq INTEGER NOT NULL,
  servo INTEGER NOT NULL,
  before INTEGER,
  sent INTEGER,
  outcome TEXT NOT NULL CHECK (outcome IN ('Ok', 'Failed', 'no reply')),
  PRIMARY KEY (run_id, seq)
) WITHOUT ROWID;
CREATE INDEX runs_by_serial ON calibration_runs (serial);
)sql";

// Version 2: robots known by MAC too, and the file doubles as the spool of a shared server.
// - mac, and robot_key: the serial number, else the MAC, else the address (older runs: serial or
//   address);
// - uid: a run's identity on every station and server, so a resent run is recognised;
// - waiting: 1 while the run has not reached the server yet;
// - times to the millisecond in ISO 8601 ("2026-05-20T10:11:12.345Z"), which sort as text.
constexpr char kVersion2[] = R"sql(
ALTER TABLE calibration_runs ADD COLUMN mac TEXT NOT NULL DEFAULT '';
ALTER TABLE calibration_runs ADD COLUMN robot_key TEXT NOT NULL DEFAULT '';
ALTER TABLE calibration_runs ADD COLUMN uid TEXT;
ALTER TABLE calibration_runs ADD COLUMN waiting INTEGER NOT NULL DEFAULT 0;
UPDATE calibration_runs SET
  robot_key = CASE WHEN serial <> '' THEN serial ELSE address END,
  uid = lower(hex(randomblob(16))),
  time = strftime('%Y-%m-%dT%H:%M:%fZ', time);
CREATE UNIQUE INDEX runs_by_uid ON calibration_runs (uid);
CREATE INDEX runs_by_time ON calibration_runs (time, id);
CREATE INDEX runs_by_mac ON calibration_runs (lower(mac));
CREATE INDEX runs_by_robot ON calibration_runs (robot_key, time, id);
CREATE INDEX runs_waiting ON calibration_runs (id) WHERE waiting = 1;
)sql";

bool IsEmptyFile(SqliteDatabase* db) {
  return db->QueryInt("SELECT count(*) FROM sqlite_master") == 0;
}

}  // namespace

const std::vector<const char*>& RecordsSchemaSteps() {
  static const std::vector<const char*> steps{kVersion1, kVersion2};
  return steps;
}

bool PrepareRecordsSchema(SqliteDatabase* db, std::string* error) {
  // Reading the header first: a file that is no SQLite database fails here, untouched.
  if (!db->QueryInt("PRAGMA user_version")) {
    *error = db->LastError();
    return false;
  }
  SqliteTransaction transaction(db);
  const std::optional<std::int64_t> version = db->QueryInt("PRAGMA user_version");
  const std::optional<std::int64_t> application = db->QueryInt("PRAGMA application_id");
  if (!transaction.Began() || !version || !application) {
    *error = db->LastError();
    return false;
  }
  if (*version > kRecordsSchemaVersion) {
    *error = db->Path() + ": written by a newer program (records schema " + std::to_string(*version) + ")";
    return false;
  }
  if (*application != kRecordsApplicationId && !(*version == 0 && IsEmptyFile(db))) {
    *error = db->Path() + ": not a calibration records file";
    return false;
  }
  const std::vector<const char*>& steps = RecordsSchemaSteps();
  for (std::int64_t step = *version; step < kRecordsSchemaVersion; ++step) {
    const std::string setVersion = "PRAGMA user_version = " + std::to_string(step + 1);
    if (!db->Exec(steps[static_cast<std::size_t>(step)], error) || !db->Exec(setVersion.c_str(), error)) {
      return false;
    }
  }
  if (!transaction.Commit()) {
    *error = db->LastError();
    return false;
  }
  // WAL: readers never wait for the writer, and a second program on the station can append
  // while this one reads.
  SqliteStatement wal(db->Handle(), "PRAGMA journal_mode = WAL");
  if (!wal.Next() || wal.Text(0) != "wal") {
    *error = db->LastError() + " (WAL mode)";
    return false;
  }
  return true;
}
