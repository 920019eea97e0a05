#include "cli/RobotTarget.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <mutex>

#include "ZAVServoSocket.h"
#include "cli/CommandContext.h"
#include "cli/SerialExchange.h"

namespace {

// "link 192.168.1.23 +1.204 s: connected", on standard error, one whole line at a time (the
// session's threads write too).
RobotLink::Trace LinkTrace(const std::string& ip) {
  const auto start = std::chrono::steady_clock::now();
  return [ip, start](const std::string& line) {
    static std::mutex lock;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "+%.3f s", seconds);
    const std::lock_guard<std::mutex> hold(lock);
    std::cerr << "link " << ip << " " << elapsed << ": " << line << std::endl;
  };
}

}  // namespace

RobotTarget::RobotTarget(const CliOptions& options, Identity identity, std::set<std::string>* claimed)
    : m_identity(std::move(identity)),
      m_timeoutSeconds(options.timeoutSeconds),
      m_link(options.verbose ? LinkTrace(m_identity.ip) : nullptr),
      m_budget(std::chrono::seconds(options.timeoutSeconds)),
      m_claimed(claimed != nullptr ? claimed : &m_ownClaims) {}

bool RobotTarget::Connect(Outcome* outcome) {
  if (!m_connected) {
    Progress("connecting to " + m_identity.ip + ":" + std::to_string(ZAV_ROBOT_PORT));
    m_connected = m_link.Connect(m_identity.ip, m_timeoutSeconds);
  }
  if (!*m_connected) {
    outcome->Fail(kExitUnreachable,
                  "cannot reach the robot at " + m_identity.ip + ":" + std::to_string(ZAV_ROBOT_PORT));
  }
  return *m_connected;
}

HttpTimeouts RobotTarget::ServiceTimeouts() const {
  const std::chrono::milliseconds each = std::chrono::seconds(m_timeoutSeconds);
  return HttpTimeouts{each, each, each};
}

bool RobotTarget::Claim(const std::string& path) { return m_claimed->insert(path).second; }

std::string RobotTarget::Serial() {
  if (!m_serial) m_serial = ReadHeldSerial(*this).serial;
  return *m_serial;
}
