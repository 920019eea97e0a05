#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "outside/uibase/TempFolder.h"

// The fake adb of FakeAdbMain.cpp, installed for one test: copied into a fresh folder as "adb",
// and that folder made the whole of PATH while this lives, so the machine's real adb is never
// run. Make it before anything that runs adb, and after whatever needs the usual PATH has
// started (scripts, simulators); it restores PATH and ends its relay when it goes.
class FakeAdb {
 public:
  FakeAdb() : m_oldPath(::getenv("PATH") != nullptr ? ::getenv("PATH") : "") {
    std::filesystem::copy_file(CALTRIM_FAKE_ADB, m_folder.File("adb"));
    ::setenv("PATH", m_folder.Path().c_str(), 1);
  }
  ~FakeAdb() {
    Run("kill-server");
    ::setenv("PATH", m_oldPath.c_str(), 1);
  }
  FakeAdb(const FakeAdb&) = delete;
  FakeAdb& operator=(const FakeAdb&) = delete;

  // The answers of `adb devices`, in turn, the last one staying (see FakeAdbMain.cpp).
  void AnswerDevices(const std::vector<std::string>& answers) {
    std::string text;
    for (const std::string& answer : answers) text += answer + "\n";
    m_folder.Write("devices", text);
  }
  // Where a forward carries its connections.
  void ForwardTo(const std::string& host, int port) {
    m_folder.Write("target", host + " " + std::to_string(port) + "\n");
  }
  // A fake that cannot be run is what a missing adb looks like to its callers.
  void SetRunnable(bool runnable) { ::chmod(m_folder.File("adb").c_str(), runnable ? 0755 : 0644); }

  // Every call so far, one line each: its arguments.
  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    std::istringstream in(TempFolder::Read(m_folder.File("calls")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  void Run(const std::string& command) const {
    const std::string line = "'" + m_folder.File("adb") + "' " + command + " >/dev/null 2>&1";
    if (std::system(line.c_str()) != 0) return;
  }

  TempFolder m_folder;
  std::string m_oldPath;
};
