#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "records/RecordsStore.h"
#include "records/spool/RecordsServer.h"
#include "records/sqlite/SqliteRecords.h"

// The store of a station that records to a shared server. Every run goes first into the local
// records file, marked waiting; a thread of the store's own sends what waits, oldest first, in
// batches, and marks a batch sent only after the server committed it. A batch the server took
// but the station could not mark (a crash, a lost answer) goes again and the server keeps it once
// (by uid), so each run reaches the server exactly once and in the order it was recorded, even
// with two programs on the station sending from the same file. While the server cannot be
// reached the runs wait; the thread tries again after 1 s, doubling to a minute, and at once when
// a run is appended or Flush asks.
//
// Reads go to the server, on a connection of their own, on the caller's thread.
class SpoolingStore final : public IRecordsStore {
 public:
  static std::unique_ptr<SpoolingStore> Open(const RecordsLocation& location, const RecordsStoreOptions& options,
                                             RecordsServerEntry server, std::string* error);
  ~SpoolingStore() override;

  bool Append(const RunRecord& run, std::string* error) override;
  SpoolStatus Spool() const override;
  bool Flush(std::chrono::milliseconds timeout) override;

  bool History(const HistoryQuery& query, std::vector<RunRecord>* runs, std::string* error) override;
  bool Stats(std::vector<ServoStats>* stats, std::string* error) override;
  bool Calibration(const std::string& robotKey, std::optional<std::int64_t> runId,
                   CalibrationOffsets* offsets, std::string* error) override;

 private:
  SpoolingStore(const RecordsLocation& location, const RecordsStoreOptions& options, RecordsServerEntry server);
  void SendLoop();
  // Sends batches until nothing waits, counting the runs sent; false with *error at the first
  // batch that fails.
  bool SendWaiting(int* runsSent, std::string* error);
  // The connection for reads, made on first use. The caller holds m_readLock.
  IRecordsServer* Reader();

  const std::string m_serverUrl;
  const RecordsStoreOptions m_options;
  const RecordsServerEntry m_makeServer;
  std::unique_ptr<SqliteRecords> m_spool;      // appends (the caller's threads)
  std::unique_ptr<SqliteRecords> m_sendSpool;  // the sending thread's own connection to the file
  std::unique_ptr<IRecordsServer> m_sender;    // the sending thread's
  std::mutex m_readLock;
  std::unique_ptr<IRecordsServer> m_reader;

  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  std::uint64_t m_requested = 1;  // sending passes asked for (the first: what an earlier run left)
  std::uint64_t m_served = 0;     // the request the last pass began after
  bool m_lastPassSent = false;
  bool m_stop = false;
  SpoolStatus m_status;
  SpoolStatus m_reported;  // the last status given to onSpoolChanged (the sending thread's)
  std::thread m_thread;
};
