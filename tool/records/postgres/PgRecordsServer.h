#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "records/postgres/PgConnection.h"
#include "records/spool/RecordsServer.h"

// The records on a PostgreSQL server (libpq). The schema is made on first use, under an advisory
// lock, so that stations starting together on an empty database make it once; its version sits
// in calibration_schema.
class PgRecordsServer final : public IRecordsServer {
 public:
  PgRecordsServer(std::string url, std::chrono::milliseconds timeout);

  bool Send(const std::vector<RunRecord>& runs, std::string* error) override;
  void Interrupt() override { m_conn.Interrupt(); }

  bool History(const HistoryQuery& query, std::vector<RunRecord>* runs, std::string* error) override;
  bool Stats(std::vector<ServoStats>* stats, std::string* error) override;
  bool Calibration(const std::string& robotKey, std::optional<std::int64_t> runId,
                   CalibrationOffsets* offsets, std::string* error) override;

 private:
  // Connected, with the schema in place.
  bool Ready(std::string* error);
  bool MakeSchema(std::string* error);
  // Exec after Ready.
  PgResult Query(const std::string& sql, const PgConnection::Params& params, std::string* error);

  PgConnection m_conn;
};
