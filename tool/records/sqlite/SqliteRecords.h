#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "records/RecordsStore.h"
#include "records/sqlite/SqliteDatabase.h"

// The records in an SQLite file: the store of a station on its own, and the spool of a station
// that records to a server (then every run it appends waits until MarkSent). One connection,
// serialised by a lock; other connections (a second program, the spool's sender) may share the
// file.
class SqliteRecords final : public IRecordsStore {
 public:
  // Opens path, making or migrating it (SqliteSchema.h). spool: appended runs wait for a server.
  static std::unique_ptr<SqliteRecords> Open(const std::string& path, bool spool, std::string* error);

  bool Append(const RunRecord& run, std::string* error) override;
  SpoolStatus Spool() const override { return {}; }
  bool Flush(std::chrono::milliseconds) override { return true; }

  bool History(const HistoryQuery& query, std::vector<RunRecord>* runs, std::string* error) override;
  bool Stats(std::vector<ServoStats>* stats, std::string* error) override;
  bool Calibration(const std::string& robotKey, std::optional<std::int64_t> runId,
                   CalibrationOffsets* offsets, std::string* error) override;

  // The spool: up to limit waiting runs, oldest first (their uid set, id the local one).
  bool Waiting(int limit, std::vector<RunRecord>* runs, std::string* error);
  // The number of waiting runs; nothing when the file cannot be read.
  std::optional<int> CountWaiting();
  // The runs with these uids wait no longer.
  bool MarkSent(const std::vector<std::string>& uids, std::string* error);

 private:
  explicit SqliteRecords(bool spool) : m_bSpool(spool) {}
  bool Insert(const RunRecord& run, std::string* error);
  // The runs a query of the run columns joined with their servos returns, grouped by run.
  bool ReadRuns(SqliteStatement* statement, std::vector<RunRecord>* runs, std::string* error);

  mutable std::mutex m_lock;
  SqliteDatabase m_db;
  const bool m_bSpool;
};

// run with every text as valid UTF-8 without NUL (each other byte U+FFFD): what both stores keep,
// and what a PostgreSQL server accepts.
RunRecord WithCleanTexts(RunRecord run);
