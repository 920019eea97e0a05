#pragma once

// The calibration records: every run that changed a robot, kept in an SQLite file on the station
// or, for a factory, in a shared PostgreSQL server behind a local spool. This header is all a
// caller needs: the questions both stores answer, the store, and the factory that opens one for
// a location (RecordsLocation.h).
//
// Every call may come from any thread; a store serialises its own work. No call throws (only
// memory exhaustion raises std::bad_alloc); failures come back as false with a reason in *error,
// which names the file or the server and never holds a password.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/RecordsLocation.h"
#include "records/RunRecord.h"

// Which runs History returns. Empty texts and no time mean no filter.
struct HistoryQuery {
  std::string serial;  // exactly this serial number
  std::string mac;     // this MAC, letter case aside
  std::optional<std::chrono::system_clock::time_point> since;  // at or after
  int limit = 0;                                               // at most this many; 0: all
};

// One servo position over the fleet: the latest accepted offset (written with outcome Ok by a run
// that writes offsets) of each robot that has one.
struct ServoStats {
  int servo = 0;
  int count = 0;  // robots
  double mean = 0;
  int min = 0;
  int max = 0;
  double stddev = 0;   // population standard deviation: the fleet as it is, not an estimate
  int nearLimit = 0;   // offsets within kNearLimitMargin of either writable limit (-89, 89)
};

// How close to a limit an offset counts as "near" it in ServoStats: a jig out of true shows as
// servos that need offsets of 79 and more.
inline constexpr int kNearLimitMargin = 10;

// The offsets a robot held after one of its successful calibrations: a run that writes offsets,
// sent at least one servo and got Ok from every one. A run may have written only some servos, so
// each servo's offset is the latest accepted one up to and including that run.
struct CalibrationOffsets {
  RunRecord run;                              // the successful calibration itself
  std::vector<std::pair<int, int>> offsets;   // (servo id, offset), by servo id
};

// What is waiting to be sent to a records server (always nothing for a file).
struct SpoolStatus {
  int waiting = 0;        // records kept locally, not yet taken by the server
  std::string lastError;  // why the last attempt to send failed; empty once one succeeds
  bool operator==(const SpoolStatus&) const = default;
};

// The questions the records answer, the same for every store.
class IRecordsReader {
 public:
  virtual ~IRecordsReader() = default;

  // The runs that match query, newest first (by time, then by the store's number), each with its
  // servos in the order they were sent.
  virtual bool History(const HistoryQuery& query, std::vector<RunRecord>* runs,
                       std::string* error) = 0;

  // One entry per servo id that any robot has an accepted offset for, by servo id.
  virtual bool Stats(std::vector<ServoStats>* stats, std::string* error) = 0;

  // The offsets of robotKey's (RobotKey) latest successful calibration, or of run runId. False
  // with *error when there is none, or runId is no successful calibration of that robot.
  virtual bool Calibration(const std::string& robotKey, std::optional<std::int64_t> runId,
                           CalibrationOffsets* offsets, std::string* error) = 0;
};

class IRecordsStore : public IRecordsReader {
 public:
  // A store with a server sends what waits (see Flush) until it is closed; closing interrupts a
  // send under way at once (the records it carried stay waiting and go out with the next store
  // that opens the same spool). A host name that takes long to resolve is the one wait it cannot
  // cut short.
  //
  // The questions (IRecordsReader) of a store with a server go to the server, on the caller's
  // thread, each bounded by RecordsStoreOptions::serverTimeout: runs still waiting in the spool
  // are not in the answers yet.
  ~IRecordsStore() override = default;

  // Keeps run: local and quick (one SQLite transaction on the station; never the network), so a
  // calibration can record itself as it ends. The store gives the run its uid when it has none
  // and stores texts as UTF-8 (a byte that is no part of UTF-8, or a NUL, becomes U+FFFD). With a
  // server the record then waits in the spool and goes out in the background, in the order of
  // recording. False with *error when the record could not be kept.
  virtual bool Append(const RunRecord& run, std::string* error) = 0;

  // What waits for the server. Cheap: no file or network access.
  virtual SpoolStatus Spool() const = 0;

  // Asks the store to send what waits now and waits up to timeout: true once nothing waits (at
  // once for a file), false when an attempt begun after the call failed or time ran out.
  virtual bool Flush(std::chrono::milliseconds timeout) = 0;
};

struct RecordsStoreOptions {
  // Called on the store's sending thread after each attempt to send that changed the spool's
  // status or sent runs, in order. Keep it short, and do not close the store or Flush from it
  // (post the news to your own thread).
  std::function<void(const SpoolStatus&)> onSpoolChanged;
  // Bounds connecting to the server and each exchange with it.
  std::chrono::milliseconds serverTimeout{10000};
  // The shared library that talks to PostgreSQL, loaded the first time a server is opened (an
  // SQLite-only process never maps libpq). A bare name is the file in the program's folder, else
  // what the dynamic linker finds.
  std::string serverModule = "libcaltrim_records_pg.so";
};

// Opens the store for location: its SQLite file (made, or brought up to the current schema, when
// needed) or, for a server, the spool file and the server module; the server itself is reached
// in the background and by the first read, never here. Null with *error when the location is
// "off", the file cannot be opened (a file that is no records file, or one written by a newer
// program, is refused and left as it is), or the module cannot be loaded.
std::unique_ptr<IRecordsStore> OpenRecordsStore(const RecordsLocation& location,
                                                const RecordsStoreOptions& options,
                                                std::string* error);
