#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace servolink {

// Where and when a run's log starts: the executable's folder and the local time at the start of
// the run. Tests install their own environment to run "at" a fixed moment in a folder of their
// own; the session never touches this.
struct SessionLogTime {
  int year;    // four digits
  int month;   // 1-12
  int day;     // 1-31
  int hour;    // 0-23
  int minute;  // 0-59
  int second;  // 0-60
};

class ISessionLogEnvironment {
 public:
  virtual ~ISessionLogEnvironment() = default;
  // The folder that holds the Log folder, ending in '/'.
  virtual std::wstring BaseFolder() = 0;
  // The local time now.
  virtual SessionLogTime Now() = 0;
};

// Installs env for every later Initial (null restores the program's record folder,
// GetWritableFolder(ZAV_WRITABLE_STATE), and the system's local time). env must outlive its use.
void SetSessionLogEnvironment(ISessionLogEnvironment* env);

// Puts "_<tag>" after the time in the names of later files (ZAVSetSessionLogTag); characters
// other than ASCII letters, digits, '-' and '_' become '_'. Empty: the plain name.
void SetSessionLogTag(const std::string& tag);

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

  // The path of the open file (UTF-8, '/' separators); empty while none is open.
  std::string Path() const;

  // A line under the context "Connect"; written only while a file is open.
  void Connect(const char* message);

  // The line of a servo command (type and data bytes as sent), just before it is queued.
  void Send(std::uint8_t type, const std::uint8_t* data, std::size_t size);

  // The line of a decoded servo reply (type and data bytes as received).
  void Recv(std::uint8_t type, const std::uint8_t* data, std::size_t size);

  // A received payload of size bytes that did not decode and was dropped, under "Recv".
  void Dropped(std::size_t size);

  // Ends the run: writes "Connection is down!" under "DisConnect", shuts logging down and, when
  // robotName is not empty, renames the file to carry "_ID(<robotName>)" before its last ".".
  // A failing rename is ignored. Does nothing while no file is open.
  void Close(const std::wstring& robotName);

 private:
  struct State;
  State* m_state;
};

}  // namespace servolink
