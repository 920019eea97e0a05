#pragma once

// Recording stand-ins for the three things a session talks to: the notify window, the event
// sink and the clock.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TestBytes.h"
#include "ZAVServoSocket.h"

using namespace std::chrono_literals;

// Records every posted message with the time it arrived.
class RecordingWindow : public IZAVNotifyWindow {
 public:
  struct Message {
    unsigned int msg;
    WPARAM wParam;
    LPARAM lParam;
    std::chrono::steady_clock::time_point at;
  };

  void PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) override {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_messages.push_back({msg, wParam, lParam, std::chrono::steady_clock::now()});
    m_changed.notify_all();
  }

  // "1/0 2/0 3/3": wParam/lParam of every WM_SESSION_STATE, in posting order.
  std::string States() const {
    std::lock_guard<std::mutex> hold(m_mutex);
    std::string out;
    for (const Message& m : m_messages) {
      if (m.msg != WM_SESSION_STATE) continue;
      if (!out.empty()) out += ' ';
      out += std::to_string(m.wParam) + "/" + std::to_string(m.lParam);
    }
    return out;
  }

  std::vector<Message> Messages() const {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_messages;
  }

  // Waits until count messages have arrived.
  bool WaitForCount(std::size_t count, std::chrono::milliseconds limit = 5s) const {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_changed.wait_for(hold, limit, [&] { return m_messages.size() >= count; });
  }

 private:
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_changed;
  std::vector<Message> m_messages;
};

// Records every event as text, e.g. "ReadServoCaliAngel(1,3,90)" or "ReadSN(1,\"abc\",3)".
class RecordingSink : public IZAVSocketSessionEvent {
 public:
  void OnReadServoCaliAngel(bool ok, int id, int value) override {
    Add("ReadServoCaliAngel(" + Fields(ok, id) + "," + std::to_string(value) + ")");
  }
  void OnReadCurrentAngel(bool ok, int id, int angle) override {
    Add("ReadCurrentAngel(" + Fields(ok, id) + "," + std::to_string(angle) + ")");
  }
  void OnSetCaliAngel(bool ok, int id) override { Add("SetCaliAngel(" + Fields(ok, id) + ")"); }
  void OnReadSN(bool ok, const char* text, int len) override { Add(Text("ReadSN", ok, text, len)); }
  void OnWriteSN(bool ok, const char* text, int len) override { Add(Text("WriteSN", ok, text, len)); }

  std::vector<std::string> Events() const {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_events;
  }

  bool WaitForCount(std::size_t count, std::chrono::milliseconds limit = 5s) const {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_changed.wait_for(hold, limit, [&] { return m_events.size() >= count; });
  }

 private:
  static std::string Fields(bool ok, int id) { return std::to_string(ok ? 1 : 0) + "," + std::to_string(id); }

  // The text must carry its zero byte right after len bytes.
  static std::string Text(const char* name, bool ok, const char* text, int len) {
    const bool terminated = text != nullptr && len >= 0 && text[len] == '\0';
    return std::string(name) + "(" + (ok ? "1" : "0") + ",\"" +
           (text ? std::string(text, static_cast<std::size_t>(len)) : "<null>") + "\"," +
           std::to_string(len) + (terminated ? "" : ",unterminated") + ")";
  }

  void Add(std::string event) {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_events.push_back(std::move(event));
    m_changed.notify_all();
  }

  mutable std::mutex m_mutex;
  mutable std::condition_variable m_changed;
  std::vector<std::string> m_events;
};

// Real time plus an offset the test moves forward: twenty minutes pass in an instant, while
// sleeps and socket waits keep their real length.
class JumpingClock : public IZAVClock {
 public:
  std::uint32_t TickCount() override {
    using namespace std::chrono;
    const auto real = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(real) + m_offset.load();
  }
  void Sleep(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  void Jump(std::uint32_t ms) { m_offset += ms; }

 private:
  std::atomic<std::uint32_t> m_offset{0};
};

// Installs a clock for the life of a scope.
class ScopedClock {
 public:
  explicit ScopedClock(IZAVClock* clock) { ZAVSetClock(clock); }
  ~ScopedClock() { ZAVSetClock(nullptr); }
};
