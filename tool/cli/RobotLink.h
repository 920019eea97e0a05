#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "ZAVServoSocket.h"

// One robot over the link library's session, for a program that has no user-interface thread.
// The session's posted states and its replies (raised on its receive thread) queue here, and the
// caller's thread takes them with a deadline. Waits sleep on a condition variable: nothing here
// polls or adds latency to the link's own pacing.
class RobotLink final : public IZAVNotifyWindow, public IZAVSocketSessionEvent {
 public:
  using Clock = std::chrono::steady_clock;

  struct Event {
    enum Kind { kCaliRead, kAngleRead, kCaliWrite, kSerialRead, kSerialWrite, kLinkEnded };
    Kind kind;
    bool ok = false;
    int id = 0;         // servo id of a servo reply
    int value = 0;      // offset or angle of a read reply
    std::string text;   // the bytes of a serial-number reply
  };

  // A line about what the link does (its states and every reply), for -v; called on the session's
  // threads as well as the caller's.
  using Trace = std::function<void(const std::string& line)>;

  // The session is made here; false from Connect when the factory failed. trace, when given,
  // hears of each state the session posts and each reply.
  explicit RobotLink(Trace trace = nullptr);
  // Stops the run (dropping frames not yet sent) and releases the session.
  ~RobotLink();
  RobotLink(const RobotLink&) = delete;
  RobotLink& operator=(const RobotLink&) = delete;

  // Connects to ip, port 6102, waiting at most timeoutSeconds for the connect and later for each
  // read of the link. True once connected; false when the connect failed or timed out.
  bool Connect(const std::string& ip, int timeoutSeconds);

  // The session, for commands. Valid after a successful Connect.
  CIZAVSocketSession& Session() { return *m_session; }

  // The next reply (or the end of the link, kLinkEnded, which stays the last event), waiting
  // until deadline; none when the deadline passed first.
  std::optional<Event> Next(Clock::time_point deadline);

  // True once the link has ended after it was up.
  bool Lost();

  // IZAVNotifyWindow: the session's state messages.
  void PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) override;
  // IZAVSocketSessionEvent, on the receive thread.
  void OnReadServoCaliAngel(bool ok, int id, int value) override;
  void OnReadCurrentAngel(bool ok, int id, int angle) override;
  void OnSetCaliAngel(bool ok, int id) override;
  void OnReadSN(bool ok, const char* text, int len) override;
  void OnWriteSN(bool ok, const char* text, int len) override;

 private:
  void Push(Event event);
  void Say(const std::string& line) const {
    if (m_trace) m_trace(line);
  }

  Trace m_trace;
  CIZAVSocketSession* m_session = nullptr;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<Event> m_events;
  WPARAM m_state = 0;  // the last WM_SESSION_STATE, 0 before the first
  bool m_bLost = false;
};
