#pragma once

#include <poll.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/robot/FrameLog.h"
#include "sim/robot/SimOptions.h"

// The UDP side of the simulated robot. Answering: bound to 0.0.0.0:6000, it sends its record to
// port 6000 of every station whose search request reaches it. Announcing (--announce): it sends
// the record every second to port 6000 of one address, for a single namespace in which the
// station itself holds port 6000.
class DiscoveryResponder {
 public:
  static constexpr int kPort = 6000;
  static constexpr std::int64_t kAnnounceIntervalMs = 1000;

  DiscoveryResponder(const SimOptions& options, FrameLog* log);
  ~DiscoveryResponder();
  DiscoveryResponder(const DiscoveryResponder&) = delete;
  DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

  bool Open(std::string* error);

  void AddPollFds(std::vector<pollfd>* fds) const;
  void Serve(const std::vector<pollfd>& fds);
  // Sends the announcement when it is due.
  void Tick(std::int64_t nowMs);
  // When the next announcement is due, or -1.
  std::int64_t NextDueMs() const;

 private:
  void Answer();
  void SendRecord(const std::string& address);

  const SimOptions& m_options;
  FrameLog* m_log;
  int m_fd = -1;
  std::int64_t m_nextAnnounceMs = -1;
};
