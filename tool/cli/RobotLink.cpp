#include "cli/RobotLink.h"

namespace {

// The text of a serial-number reply, valid only during the call.
std::string Bytes(const char* text, int len) {
  return text == nullptr || len <= 0 ? std::string() : std::string(text, static_cast<std::size_t>(len));
}

// What a state message says, for the trace.
std::string StateText(WPARAM state, LPARAM reason) {
  switch (state) {
    case ZAV_SESSION_CONNECTING: return "connecting";
    case ZAV_SESSION_CONNECTED: return "connected";
    case ZAV_SESSION_ENDED:
      if (reason == ZAV_SESSION_END_CONNECT_FAILED) return "ended: the connect failed";
      if (reason == ZAV_SESSION_END_LINK_LOST) return "ended: the link was lost (closed, or silent for --timeout)";
      return "ended: no good frame for 20 minutes";
    default: return "state " + std::to_string(state);
  }
}

// "servo 3 Ok value=5", "servo 3 Failed".
std::string ServoReply(bool ok, int id, const std::string& value) {
  return "servo " + std::to_string(id) + (ok ? " Ok" + value : std::string(" Failed"));
}

}  // namespace

RobotLink::RobotLink(Trace trace) : m_trace(std::move(trace)) {
  if (!CreateZAVSocketSession(&m_session)) m_session = nullptr;
}

RobotLink::~RobotLink() {
  if (m_session != nullptr) m_session->Release();
}

bool RobotLink::Connect(const std::string& ip, int timeoutSeconds) {
  if (m_session == nullptr || !m_session->StartConnect(ip.c_str(), timeoutSeconds, this, this)) {
    return false;
  }
  // The session itself ends a connect that does not complete within timeoutSeconds.
  std::unique_lock<std::mutex> hold(m_mutex);
  m_changed.wait(hold, [this] {
    return m_state == ZAV_SESSION_CONNECTED || m_state == ZAV_SESSION_ENDED;
  });
  return m_state == ZAV_SESSION_CONNECTED;
}

std::optional<RobotLink::Event> RobotLink::Next(Clock::time_point deadline) {
  std::unique_lock<std::mutex> hold(m_mutex);
  if (!m_changed.wait_until(hold, deadline, [this] { return !m_events.empty() || m_bLost; })) {
    return std::nullopt;
  }
  if (m_events.empty()) return Event{Event::kLinkEnded, false, 0, 0, {}};
  Event event = std::move(m_events.front());
  m_events.pop_front();
  return event;
}

bool RobotLink::Lost() {
  const std::lock_guard<std::mutex> hold(m_mutex);
  return m_bLost;
}

void RobotLink::PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_SESSION_STATE) return;
  Say(StateText(wParam, lParam));
  {
    const std::lock_guard<std::mutex> hold(m_mutex);
    if (wParam == ZAV_SESSION_ENDED && m_state == ZAV_SESSION_CONNECTED) m_bLost = true;
    m_state = wParam;
  }
  m_changed.notify_all();
}

void RobotLink::OnReadServoCaliAngel(bool ok, int id, int value) {
  Say("read-offset reply: " + ServoReply(ok, id, " offset=" + std::to_string(value)));
  Push(Event{Event::kCaliRead, ok, id, value, {}});
}

void RobotLink::OnReadCurrentAngel(bool ok, int id, int angle) {
  Say("read-angle reply: " + ServoReply(ok, id, " angle=" + std::to_string(angle)));
  Push(Event{Event::kAngleRead, ok, id, angle, {}});
}

void RobotLink::OnSetCaliAngel(bool ok, int id) {
  Say("write-offset reply: " + ServoReply(ok, id, ""));
  Push(Event{Event::kCaliWrite, ok, id, 0, {}});
}

void RobotLink::OnReadSN(bool ok, const char* text, int len) {
  Say("read-serial reply: \"" + Bytes(text, len) + "\"");
  Push(Event{Event::kSerialRead, ok, 0, 0, Bytes(text, len)});
}

void RobotLink::OnWriteSN(bool ok, const char* text, int len) {
  Say("write-serial reply: \"" + Bytes(text, len) + "\"" + (ok ? " (taken)" : " (refused)"));
  Push(Event{Event::kSerialWrite, ok, 0, 0, Bytes(text, len)});
}

void RobotLink::Push(Event event) {
  {
    const std::lock_guard<std::mutex> hold(m_mutex);
    m_events.push_back(std::move(event));
  }
  m_changed.notify_all();
}
