#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ZAVServoSocket.h"

// Test doubles around a discovery object: a sink and a UI host that record what reaches them,
// and a clock that runs the discovery loop's pauses ten times faster.

class RecordingSink final : public IZAVBroadcastEvent {
 public:
  void OnFoundDevice(__DevInfo info) override {
    if (m_beforeRecord) m_beforeRecord();
    {
      std::lock_guard<std::mutex> hold(m_mutex);
      m_found.push_back(std::move(info));
    }
    m_changed.notify_all();
  }

  // Runs on the discovery thread inside OnFoundDevice, before the record is kept.
  void SetBeforeRecord(std::function<void()> hook) { m_beforeRecord = std::move(hook); }

  bool WaitFor(std::size_t count, int timeoutMs) {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_found.size() >= count; });
  }

  std::vector<__DevInfo> Found() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_found;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<__DevInfo> m_found;
  std::function<void()> m_beforeRecord;
};

// Records every message box (answered with OK) and every pump; installed for its lifetime.
class RecordingUiHost final : public IZAVUiHost {
 public:
  RecordingUiHost() { ZAVSetUiHost(this); }
  ~RecordingUiHost() override { ZAVSetUiHost(nullptr); }

  void PumpMessages() override {
    std::function<void()> hook;
    {
      std::lock_guard<std::mutex> hold(m_mutex);
      ++m_pumps;
      hook = m_onPump;
    }
    if (hook) hook();
  }

  int MessageBox(const std::string& text, const std::string&, unsigned int style) override {
    {
      std::lock_guard<std::mutex> hold(m_mutex);
      m_messages.push_back(text);
      m_styles.push_back(style);
    }
    if (m_beforeAnswer) m_beforeAnswer();
    return IDOK;
  }

  void SetOnPump(std::function<void()> hook) {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_onPump = std::move(hook);
  }
  // Runs inside MessageBox on the calling thread, before it answers.
  void SetBeforeAnswer(std::function<void()> hook) { m_beforeAnswer = std::move(hook); }

  std::vector<std::string> Messages() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_messages;
  }
  std::vector<unsigned int> Styles() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_styles;
  }
  int Pumps() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_pumps;
  }

 private:
  std::mutex m_mutex;
  std::vector<std::string> m_messages;
  std::vector<unsigned int> m_styles;
  int m_pumps = 0;
  std::function<void()> m_onPump;
  std::function<void()> m_beforeAnswer;
};

// Real ticks; every sleep a tenth as long. Installed for its lifetime.
class FastClock final : public IZAVClock {
 public:
  FastClock() { ZAVSetClock(this); }
  ~FastClock() override { ZAVSetClock(nullptr); }

  std::uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void Sleep(std::uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms < 10 ? 1 : ms / 10));
  }
};
