#include "records/spool/SpoolingStore.h"

#include <algorithm>

namespace {

// Runs sent in one transaction.
constexpr int kBatchSize = 50;
constexpr std::chrono::seconds kFirstRetry{1};
constexpr std::chrono::seconds kLongestRetry{60};

}  // namespace

std::unique_ptr<SpoolingStore> SpoolingStore::Open(const RecordsLocation& location,
                                                   const RecordsStoreOptions& options, RecordsServerEntry server,
                                                   std::string* error) {
  std::unique_ptr<SpoolingStore> store(new SpoolingStore(location, options, server));
  store->m_spool = SqliteRecords::Open(location.file, true, error);
  if (!store->m_spool) return nullptr;
  store->m_sendSpool = SqliteRecords::Open(location.file, true, error);
  if (!store->m_sendSpool) return nullptr;
  store->m_status.waiting = store->m_spool->CountWaiting().value_or(0);
  store->m_sender.reset(server(location.serverUrl.c_str(), static_cast<int>(options.serverTimeout.count())));
  store->m_thread = std::thread(&SpoolingStore::SendLoop, store.get());
  return store;
}

SpoolingStore::SpoolingStore(const RecordsLocation& location, const RecordsStoreOptions& options,
                             RecordsServerEntry server)
    : m_serverUrl(location.serverUrl), m_options(options), m_makeServer(server) {}

SpoolingStore::~SpoolingStore() {
  {
    const std::lock_guard<std::mutex> hold(m_lock);
    m_stop = true;
  }
  m_changed.notify_all();
  if (m_sender) m_sender->Interrupt();
  if (m_thread.joinable()) m_thread.join();
}

bool SpoolingStore::Append(const RunRecord& run, std::string* error) {
  if (!m_spool->Append(run, error)) return false;
  {
    const std::lock_guard<std::mutex> hold(m_lock);
    ++m_status.waiting;  // the sending pass asked for here counts again
    ++m_requested;
  }
  m_changed.notify_all();
  return true;
}

SpoolStatus SpoolingStore::Spool() const {
  const std::lock_guard<std::mutex> hold(m_lock);
  return m_status;
}

bool SpoolingStore::Flush(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> hold(m_lock);
  const std::uint64_t ticket = ++m_requested;
  m_changed.notify_all();
  m_changed.wait_for(hold, timeout, [&] { return m_served >= ticket || m_stop; });
  return m_served >= ticket && m_lastPassSent && m_status.waiting == 0;
}

void SpoolingStore::SendLoop() {
  std::unique_lock<std::mutex> hold(m_lock);
  std::chrono::steady_clock::duration retryAfter = kFirstRetry;
  bool retrying = false;  // the last pass failed with runs waiting: try again at retryAt
  std::chrono::steady_clock::time_point retryAt;
  while (!m_stop) {
    const bool due = retrying && std::chrono::steady_clock::now() >= retryAt;
    if (m_requested == m_served && !due) {
      const auto asked = [&] { return m_stop || m_requested != m_served; };
      if (retrying) {
        m_changed.wait_until(hold, retryAt, asked);
      } else {
        m_changed.wait(hold, asked);
      }
      continue;
    }
    const std::uint64_t serving = m_requested;
    hold.unlock();
    std::string error;
    int runsSent = 0;
    const bool sent = SendWaiting(&runsSent, &error);
    const std::optional<int> waiting = m_sendSpool->CountWaiting();
    hold.lock();
    const SpoolStatus status{waiting.value_or(m_status.waiting), sent ? std::string() : error};
    // Against what was reported, not m_status: Append counts its run in m_status at once.
    const bool changed = status != m_reported || runsSent > 0;
    m_status = status;
    m_reported = status;
    m_served = serving;
    m_lastPassSent = sent;
    retrying = !sent && status.waiting > 0;
    if (!retrying) {
      retryAfter = kFirstRetry;
    } else {
      retryAt = std::chrono::steady_clock::now() + retryAfter;
      retryAfter = std::min<std::chrono::steady_clock::duration>(retryAfter * 2, kLongestRetry);
    }
    m_changed.notify_all();
    if (changed && m_options.onSpoolChanged) {
      hold.unlock();
      m_options.onSpoolChanged(status);
      hold.lock();
    }
  }
}

bool SpoolingStore::SendWaiting(int* runsSent, std::string* error) {
  for (;;) {
    std::vector<RunRecord> runs;
    if (!m_sendSpool->Waiting(kBatchSize, &runs, error)) return false;
    if (runs.empty()) return true;
    if (!m_sender->Send(runs, error)) return false;
    std::vector<std::string> uids;
    for (const RunRecord& run : runs) uids.push_back(run.uid);
    if (!m_sendSpool->MarkSent(uids, error)) return false;
    *runsSent += static_cast<int>(runs.size());
  }
}

IRecordsServer* SpoolingStore::Reader() {
  if (!m_reader) {
    m_reader.reset(m_makeServer(m_serverUrl.c_str(), static_cast<int>(m_options.serverTimeout.count())));
  }
  return m_reader.get();
}

bool SpoolingStore::History(const HistoryQuery& query, std::vector<RunRecord>* runs, std::string* error) {
  const std::lock_guard<std::mutex> hold(m_readLock);
  return Reader()->History(query, runs, error);
}

bool SpoolingStore::Stats(std::vector<ServoStats>* stats, std::string* error) {
  const std::lock_guard<std::mutex> hold(m_readLock);
  return Reader()->Stats(stats, error);
}

bool SpoolingStore::Calibration(const std::string& robotKey, std::optional<std::int64_t> runId,
                                CalibrationOffsets* offsets, std::string* error) {
  const std::lock_guard<std::mutex> hold(m_readLock);
  return Reader()->Calibration(robotKey, runId, offsets, error);
}
