#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// A robot's calibration backup: a JSON file (jsoncpp) that names the robot and holds every
// servo's offset.
//
//   {
//     "format" : "caltrim-backup",
//     "formatVersion" : 1,
//     "serial" : "SN0000000001",
//     "mac" : "02:00:00:00:00:01",
//     "time" : "2026-12-07T20:43:23+0100",
//     "programVersion" : "1.0.0.4",
//     "servos" : [ { "id" : 1, "offset" : -5 }, { "id" : 3, "offset" : 120, "outOfRange" : true } ]
//   }
//
// A robot may report an offset that no servo accepts as a write (outside -89..89): the backup
// keeps it, as a record of what the robot held, flagged "outOfRange", and such a servo is never
// written back.
//
// Reading is strict, so that a damaged file never reaches a robot: every member must be there
// with its type, ids 1..255 once each, and an offset outside -89..89 exactly where the servo is
// flagged.
struct CalibrationBackup {
  std::string serial;
  std::string mac;
  std::string time;            // local time, ISO 8601 with the UTC offset
  std::string programVersion;  // the file version of the program that wrote it
  std::vector<std::pair<int, int>> offsets;  // (servo id, offset), in file order; an offset that
                                             // is not IsWritableOffset is a flagged servo's
};

inline constexpr char kBackupFormat[] = "caltrim-backup";
inline constexpr int kBackupFormatVersion = 1;
// A real backup is about 1 KB; a file larger than this is not one and is not read.
inline constexpr std::size_t kMaxBackupFileBytes = std::size_t{1} << 20;

// The file's text.
std::string BackupToText(const CalibrationBackup& backup);

// Reads text into *backup. False with *error "line N: reason" (N counted from 1) when the text
// is not JSON, is cut short, or breaks a rule above ("reason" alone for JSON nested too deeply,
// which the parser gives no place). A plain function of the text alone that never throws, so that
// anything may be fed to it.
bool BackupFromText(const std::string& text, CalibrationBackup* backup, std::string* error);

// Reads the file at path: only a regular file of at most kMaxBackupFileBytes (a folder, a FIFO
// or a device is refused unread). False with *error "PATH: reason" or "PATH: line N: reason".
// "-" reads standard input, whatever it is, to its end or past kMaxBackupFileBytes ("standard
// input: reason").
bool ReadBackupFile(const std::string& path, CalibrationBackup* backup, std::string* error);

// now as local time, "%Y-%m-%dT%H:%M:%S%z".
std::string BackupTimeNow();
