#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One run that changed a robot, as the calibration records keep it. Plain values, no Qt: the
// window and caltrim-cli fill one in and hand it to a records store (RecordsStore.h).

// What the run did. The first three write calibration offsets; only they count for the offsets a
// robot holds (statistics, restore from the records).
enum class RunKind {
  kCalibrate,     // the window's Calibrate
  kOffsetsWrite,  // caltrim-cli offsets write
  kRestore,       // caltrim-cli restore (from a backup file or from the records)
  kReset,         // Reset and caltrim-cli reset: every servo to its reference angle
  kSerialWrite,   // a serial-number write; robot.serial is the number the robot took
};

// How a servo answered what was sent to it, in the words the program shows.
enum class ServoOutcome { kOk, kFailed, kNoReply };

struct ServoRecord {
  int id = 0;
  std::optional<int> before;  // the offset the servo held before the run, when it was read
  std::optional<int> sent;    // the value sent: an offset, or the angle of a reset
  ServoOutcome outcome = ServoOutcome::kNoReply;

  bool operator==(const ServoRecord&) const = default;
};

// The robot as the program knew it during the run. Any text may be empty where it was not known
// (a MAC only comes from discovery).
struct RobotIdentity {
  std::string name;
  std::string address;
  std::string mac;
  std::string serial;

  bool operator==(const RobotIdentity&) const = default;
};

struct RunRecord {
  std::int64_t id = 0;  // the store's number for the run (what "--run ID" names); set by the store
  std::string uid;      // unique over every station and store; set when the run is first recorded
  std::chrono::system_clock::time_point time;  // UTC; stores keep it to the millisecond
  std::string station;                         // host name
  std::string operatorName;                    // login name
  std::string program;                         // "Caltrim" or "caltrim-cli"
  std::string programVersion;                  // its file version, "1.0.0.4"
  RobotIdentity robot;
  RunKind kind = RunKind::kCalibrate;
  std::vector<ServoRecord> servos;  // in the order they were sent; a servo may appear twice

  bool operator==(const RunRecord&) const = default;
};

// A new record of kind, stamped with the time now, this host's name and the login name of the
// user running the process (the password database's when there is no login terminal).
RunRecord NewRunRecord(RunKind kind, std::string program, std::string programVersion);

// Which robot a record belongs to: its serial number; without one its MAC; without that its
// address.
std::string RobotKey(const RobotIdentity& robot);

// True for the kinds that write calibration offsets.
bool WritesOffsets(RunKind kind);

// The names stored for kinds and outcomes ("calibrate", "offsets-write", "restore", "reset",
// "serial-write"; "Ok", "Failed", "no reply") and back; nothing for a name that is none of them.
std::string_view RunKindName(RunKind kind);
std::optional<RunKind> RunKindFromName(std::string_view name);
std::string_view ServoOutcomeName(ServoOutcome outcome);
std::optional<ServoOutcome> ServoOutcomeFromName(std::string_view name);

// time as "YYYY-MM-DDTHH:MM:SS.mmmZ" (UTC), the form history shows.
std::string FormatUtcTime(std::chrono::system_clock::time_point time);

// A UTC time as a person or a script gives it (history --since): a date "YYYY-MM-DD" (its
// midnight), or a date and time "YYYY-MM-DDTHH:MM", optionally with seconds ":SS" and then
// milliseconds ".m" to ".mmm", a space allowed in place of the "T" and a "Z" after the time.
// What FormatUtcTime writes reads back as the same time. False with *error for anything else: a
// day the calendar lacks, an hour past 23, an offset from UTC (+01:00), more than milliseconds.
bool ParseUtcTime(std::string_view text, std::chrono::system_clock::time_point* time, std::string* error);

// Milliseconds since 1970-01-01 UTC and back: what the stores keep.
std::int64_t ToUnixMs(std::chrono::system_clock::time_point time);
std::chrono::system_clock::time_point FromUnixMs(std::int64_t ms);
