#pragma once

#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "ZAVServoSocket.h"
#include "session/SessionLog.h"

// What a session hands back, recorded for tests: its events and its state messages, and a log
// folder of the test's own.

// Every event and every state message, as text, in one sequence.
class Recorder final : public IZAVSocketSessionEvent, public IZAVNotifyWindow {
 public:
  void OnReadServoCaliAngel(bool ok, int id, int value) override { Add("cali", ok, id, value); }
  void OnReadCurrentAngel(bool ok, int id, int angle) override { Add("angle", ok, id, angle); }
  void OnSetCaliAngel(bool ok, int id) override { Add("setcali", ok, id, 0); }
  void OnReadSN(bool ok, const char* text, int len) override { AddText("readsn", ok, text, len); }
  void OnWriteSN(bool ok, const char* text, int len) override { AddText("writesn", ok, text, len); }
  void PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_SESSION_STATE) Push("state " + std::to_string(wParam) + "/" + std::to_string(lParam));
  }

  // Waits for an entry that starts with prefix and returns it (empty after limit).
  std::string WaitFor(const std::string& prefix, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> hold(m_mutex);
    std::string found;
    m_changed.wait_for(hold, limit, [&] {
      for (std::size_t i = m_taken; i < m_entries.size(); ++i) {
        if (m_entries[i].rfind(prefix, 0) == 0) {
          found = m_entries[i];
          m_taken = i + 1;
          return true;
        }
      }
      return false;
    });
    return found;
  }

  std::vector<std::string> Entries() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_entries;
  }

 private:
  void Add(const char* name, bool ok, int id, int value) {
    Push(std::string(name) + " " + (ok ? "ok" : "failed") + " " + std::to_string(id) + " " + std::to_string(value));
  }
  void AddText(const char* name, bool ok, const char* text, int len) {
    Push(std::string(name) + " " + (ok ? "ok" : "failed") + " \"" + std::string(text, static_cast<std::size_t>(len)) + "\"");
  }
  void Push(std::string entry) {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_entries.push_back(std::move(entry));
    m_changed.notify_all();
  }

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::string> m_entries;
  std::size_t m_taken = 0;
};

// The session's log files go to a folder of the test's own.
class TempLogFolder final : public ISessionLogEnvironment {
 public:
  TempLogFolder() {
    char pattern[] = "/tmp/caltrim-simsession-XXXXXX";
    m_folder = ::mkdtemp(pattern);
    SetSessionLogEnvironment(this);
  }
  ~TempLogFolder() override {
    SetSessionLogEnvironment(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }
  std::wstring BaseFolder() override { return (std::filesystem::path(m_folder) / "").wstring(); }
  SessionLogTime Now() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  }

 private:
  std::string m_folder;
};
