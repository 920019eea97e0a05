#include "calibration/rules/CalibrationRun.h"

#include <algorithm>

void CalibrationRun::Begin() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_pending.clear();
  m_writes.clear();
  m_bRunning = true;
  m_bSending = true;
  m_nSent = 0;
}

void CalibrationRun::AddPending(int servoId, int value) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_pending.emplace_back(servoId, value);
  m_writes.push_back({servoId, value, std::nullopt});
  ++m_nSent;
}

bool CalibrationRun::SendingDone() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_bSending = false;
  return EndIfComplete();
}

CalibrationRun::Reply CalibrationRun::Answer(int servoId, bool ok) {
  std::lock_guard<std::mutex> hold(m_lock);
  Reply reply;
  const auto pair = std::find_if(m_pending.begin(), m_pending.end(),
                                 [servoId](const auto& p) { return p.first == servoId; });
  if (pair == m_pending.end()) return reply;
  reply.value = pair->second;
  m_pending.erase(pair);
  // The servo's first pending pair is its first unanswered write.
  const auto write = std::find_if(m_writes.begin(), m_writes.end(), [servoId](const Write& w) {
    return w.servoId == servoId && !w.ok;
  });
  if (write != m_writes.end()) write->ok = ok;
  reply.endsRun = EndIfComplete();
  return reply;
}

bool CalibrationRun::TimeOut() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_pending.clear();
  m_bSending = false;
  return std::exchange(m_bRunning, false);
}

bool CalibrationRun::Running() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_bRunning;
}

std::vector<std::pair<int, int>> CalibrationRun::Pending() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_pending;
}

std::vector<CalibrationRun::Write> CalibrationRun::Writes() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_writes;
}

bool CalibrationRun::EndIfComplete() {
  if (!m_bRunning || m_bSending || m_nSent == 0 || !m_pending.empty()) return false;
  m_bRunning = false;
  return true;
}
