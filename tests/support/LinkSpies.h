#pragma once

// Recording stand-ins for what the link library talks to (notify window, session and discovery
// sinks, UI host, clock) and a log folder of the test's own. For tests that link servolink_core.

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ZAVServoSocket.h"
#include "outside/uibase/TempFolder.h"
#include "session/SessionLog.h"

// Texts recorded under one mutex, and waits for their number.
class Recording {
 protected:
  void Add(std::vector<std::string>* to, std::string entry) {
    std::lock_guard<std::mutex> hold(m_mutex);
    to->push_back(std::move(entry));
    m_changed.notify_all();
  }
  std::vector<std::string> Copy(const std::vector<std::string>& of) const {
    std::lock_guard<std::mutex> hold(m_mutex);
    return of;
  }
  bool WaitForSize(const std::vector<std::string>& of, std::size_t size, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_changed.wait_for(hold, limit, [&] { return of.size() >= size; });
  }
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_changed;
};

// A session's notify window and event sink in one: states as "1/0 2/0 3/3", events as
// "ReadServoCaliAngel(1,3,90)" or "ReadSN(1,\"abc\",3)".
class SessionSpy : public IZAVNotifyWindow, public IZAVSocketSessionEvent, Recording {
 public:
  void PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) override {
    if (msg != WM_SESSION_STATE) return;
    const std::string state = std::to_string(wParam) + "/" + std::to_string(lParam);
    if (m_onPost) m_onPost(state);
    Add(&m_states, state);
  }
  // Runs on the posting thread at each post, before the state is recorded; set before the start.
  void SetOnPost(std::function<void(const std::string&)> hook) { m_onPost = std::move(hook); }
  void OnReadServoCaliAngel(bool ok, int id, int value) override { Servo("ReadServoCaliAngel", ok, id, &value); }
  void OnReadCurrentAngel(bool ok, int id, int angle) override { Servo("ReadCurrentAngel", ok, id, &angle); }
  void OnSetCaliAngel(bool ok, int id) override { Servo("SetCaliAngel", ok, id, nullptr); }
  void OnReadSN(bool ok, const char* text, int len) override { Text("ReadSN", ok, text, len); }
  void OnWriteSN(bool ok, const char* text, int len) override { Text("WriteSN", ok, text, len); }

  std::string States() const {
    std::string out;
    for (const std::string& s : Copy(m_states)) out += (out.empty() ? "" : " ") + s;
    return out;
  }
  std::size_t StateCount() const { return Copy(m_states).size(); }
  std::vector<std::string> Events() const { return Copy(m_events); }
  bool WaitForStates(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) const {
    return WaitForSize(m_states, count, limit);
  }
  bool WaitForEvents(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) const {
    return WaitForSize(m_events, count, limit);
  }

 private:
  void Servo(const char* name, bool ok, int id, const int* value) {
    Add(&m_events, std::string(name) + "(" + (ok ? "1," : "0,") + std::to_string(id) +
                       (value ? "," + std::to_string(*value) : "") + ")");
  }
  // The text must carry its zero byte right after len bytes.
  void Text(const char* name, bool ok, const char* text, int len) {
    const bool terminated = text != nullptr && len >= 0 && text[len] == '\0';
    Add(&m_events, std::string(name) + "(" + (ok ? "1" : "0") + ",\"" +
                       (text ? std::string(text, static_cast<std::size_t>(len)) : "<null>") + "\"," +
                       std::to_string(len) + (terminated ? "" : ",unterminated") + ")");
  }
  std::vector<std::string> m_states;
  std::vector<std::string> m_events;
  std::function<void(const std::string&)> m_onPost;
};

// Discovery's sink: every record found. A hook may run on the discovery thread before a record
// is kept.
class DiscoverySpy final : public IZAVBroadcastEvent, Recording {
 public:
  void OnFoundDevice(__DevInfo info) override {
    if (m_beforeRecord) m_beforeRecord();
    const std::wstring text = info.strName + L"|" + info.strVersion + L"|" + info.strIP + L"|" + info.strMAC;
    Add(&m_found, std::string(text.begin(), text.end()));
  }
  void SetBeforeRecord(std::function<void()> hook) { m_beforeRecord = std::move(hook); }
  bool WaitFor(std::size_t count, int timeoutMs) const {
    return WaitForSize(m_found, count, std::chrono::milliseconds(timeoutMs));
  }
  // Every record as "name|version|ip|mac" (texts of ASCII only).
  std::vector<std::string> Found() const { return Copy(m_found); }

 private:
  std::vector<std::string> m_found;
  std::function<void()> m_beforeRecord;
};

// Installed for its lifetime: records every message box (answered with OK). Hooks, set before
// the link objects start, may run in a pump and before an answer.
class UiHostSpy final : public IZAVUiHost, Recording {
 public:
  UiHostSpy() { ZAVSetUiHost(this); }
  ~UiHostSpy() override { ZAVSetUiHost(nullptr); }
  void PumpMessages() override {
    if (m_onPump) m_onPump();
  }
  int MessageBox(const std::string& text, const std::string&, unsigned int) override {
    Add(&m_messages, text);
    if (m_beforeAnswer) m_beforeAnswer();
    return IDOK;
  }
  void SetOnPump(std::function<void()> hook) { m_onPump = std::move(hook); }
  void SetBeforeAnswer(std::function<void()> hook) { m_beforeAnswer = std::move(hook); }
  std::vector<std::string> Messages() const { return Copy(m_messages); }

 private:
  std::vector<std::string> m_messages;
  std::function<void()> m_onPump;
  std::function<void()> m_beforeAnswer;
};

// Installed for its lifetime: real time plus an offset the test moves forward (twenty minutes
// pass in an instant), and sleeps cut by sleepDivisor.
class TestClock final : public IZAVClock {
 public:
  explicit TestClock(std::uint32_t sleepDivisor = 1) : m_divisor(sleepDivisor) { ZAVSetClock(this); }
  ~TestClock() override { ZAVSetClock(nullptr); }
  std::uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count()) +
           m_offset.load();
  }
  void Sleep(std::uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max<std::uint32_t>(ms / m_divisor, ms > 0)));
  }
  void Jump(std::uint32_t ms) { m_offset += ms; }

 private:
  const std::uint32_t m_divisor;
  std::atomic<std::uint32_t> m_offset{0};
};

// Installed for its lifetime: session logs go to a fresh folder, removed at the end, at the local
// time or at a time the test fixes.
class TempLogFolder final : public servolink::ISessionLogEnvironment {
 public:
  TempLogFolder() { servolink::SetSessionLogEnvironment(this); }
  ~TempLogFolder() override { servolink::SetSessionLogEnvironment(nullptr); }
  std::wstring BaseFolder() override { return (m_folder.Path() / "").wstring(); }
  servolink::SessionLogTime Now() override {
    if (m_time) return *m_time;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  }
  void SetTime(servolink::SessionLogTime time) { m_time = time; }
  const std::filesystem::path& Folder() const { return m_folder.Path(); }

  // Every file below the folder, relative to it, in name order.
  std::vector<std::filesystem::path> Files() const {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder())) {
      if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), Folder()));
    }
    std::sort(files.begin(), files.end());
    return files;
  }

 private:
  TempFolder m_folder;
  std::optional<servolink::SessionLogTime> m_time;
};

// The lines of a log file after their "MM/DD/YYYY HH:MM:SS - " stamp; a line without that stamp
// comes back whole behind a "?".
inline std::vector<std::string> LogBodies(const std::filesystem::path& path) {
  static constexpr char kShape[] = "00/00/0000 00:00:00 - ";
  constexpr std::size_t kLength = sizeof kShape - 1;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> bodies;
  for (std::string line; std::getline(in, line);) {
    bool shaped = line.size() >= kLength;
    for (std::size_t i = 0; shaped && i < kLength; ++i) {
      shaped = kShape[i] == '0' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : line[i] == kShape[i];
    }
    bodies.push_back(shaped ? line.substr(kLength) : "?" + line);
  }
  return bodies;
}
