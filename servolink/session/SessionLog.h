#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The log of one session run: a file in a dated folder beside the executable, written through
// log4cplus, moved to a final name carrying the robot's name when the run ends. This is the only
// way the session writes its log.
class SessionLog {
 public:
  SessionLog();
  ~SessionLog();
  SessionLog(const SessionLog&) = delete;
  SessionLog& operator=(const SessionLog&) = delete;

  // Starts a new file named after the local time now (closing, without renaming, a file left
  // open by an earlier run) and writes "Initial!". Always true.
  bool Initial();

  // True from Initial until Close.
  bool IsOpen() const;

  // A line under the context "Connect"; written only while a file is open.
  void Connect(const char* message);

  // The line of a servo command (type and data bytes as sent), just before it is queued.
  void Send(std::uint8_t type, const std::uint8_t* data, std::size_t size);

  // The line of a decoded servo reply (type and data bytes as received).
  void Recv(std::uint8_t type, const std::uint8_t* data, std::size_t size);

  // Ends the run: writes "Connection is down!" under "DisConnect", shuts logging down and, when
  // robotName is not empty, renames the file to carry "_ID(<robotName>)" before its last ".".
  // A failing rename is ignored. Does nothing while no file is open.
  void Close(const std::wstring& robotName);

 private:
  struct State;
  State* m_state;
};
