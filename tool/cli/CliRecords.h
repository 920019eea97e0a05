#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "cli/CommandLine.h"
#include "cli/Outcome.h"
#include "records/RecordsStore.h"

// The calibration records of one caltrim-cli process: where they go, the store (opened when a
// command first needs it), and each run kept in it. A store that fails never changes a command's
// status: the run's report says so and a line goes to standard error.
//
// Where: --records (a postgresql:// URL, an SQLite file taken from the working folder, or "off"),
// else Url of Config.ini's [Records] (a relative file taken from Config.ini's folder), else
// records.sqlite in the folder of the session logs.
class CliRecords {
 public:
  // How long the end of a command waits for what it recorded to reach a records server: a server
  // that answers takes a few milliseconds; the rest waits in the spool for the next program.
  static constexpr std::chrono::seconds kFlushWait{2};

  explicit CliRecords(const CliOptions& options) : m_options(options) {}

  // Whether runs that change a robot are recorded: the location is not "off".
  bool On();

  // The store to record in, opened on the first call; null, with *error, when records are off or
  // it cannot be opened (then every later call gives the same error).
  IRecordsStore* Writer(std::string* error);

  // The store to read (history, restore --from-history): null, with the outcome failed, when
  // records are off (bad input), the file does not exist (bad input: a mistyped name would
  // otherwise make an empty file and show nothing), or the store cannot be opened (kExitLocal;
  // kExitUnreachable for a server). With a server, what waits in the spool is sent first, within
  // kFlushWait, so that the answers hold this station's own runs.
  IRecordsReader* Reader(Outcome* outcome);

  // The status of a question the store could not answer: the server's unreachable, the file's
  // local.
  int FailureStatus();

  // The offsets of robotKey's latest successful calibration, or of run runId. False, with the
  // outcome failed, when the records hold none (bad input, naming robotKey; nothing was sent) or
  // cannot be read (FailureStatus).
  bool Calibration(const std::string& robotKey, std::optional<std::int64_t> runId, CalibrationOffsets* offsets,
                   Outcome* outcome);

  // Keeps run, and sets the report's "records" to {"kept":true}, or {"kept":false,"error":..}
  // with the line "caltrim-cli: records: the run was not recorded: .." on standard error.
  void Keep(const RunRecord& run, Outcome* outcome);

  // The end of the command: once a store was opened, waits up to kFlushWait for what waits for a
  // records server to go out, then adds "waiting" (and, while any wait, why they could not be
  // sent as "sendError") to the report's "records"; runs still waiting are told on standard error
  // as "caltrim-cli: records: N waiting: <why>". They go out with the next program that records
  // to a server through the same spool.
  void Finish(Outcome* outcome);

 private:
  const RecordsLocation& Location();
  bool Open(std::string* error);

  const CliOptions& m_options;
  std::optional<RecordsLocation> m_location;
  std::unique_ptr<IRecordsStore> m_store;
  std::optional<std::string> m_openError;
};
