#pragma once

#include <stdlib.h>

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
    // Ends the relay; one that missed this ends by itself once the folder is gone.
    const std::string stop = "'" + m_folder.File("adb") + "' kill-server >/dev/null 2>&1";
    [[maybe_unused]] const int status = std::system(stop.c_str());
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
  void ForwardTo(const std::string& host, int port) { m_folder.Write("target", host + " " + std::to_string(port)); }
  // Every call so far, one line each: its arguments.
  std::vector<std::string> Calls() const {
    std::vector<std::string> lines;
    std::istringstream in(TempFolder::Read(m_folder.File("calls")));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

 private:
  TempFolder m_folder;
  std::string m_oldPath;
};
