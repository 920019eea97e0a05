#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// What the robot simulator is told on its command line.

// A set of servo ids, or every servo.
struct ServoSet {
  bool all = false;
  std::set<int> ids;
  bool Contains(int id) const { return all || ids.count(id) != 0; }
};

struct Faults {
  ServoSet refuseWrites;       // set-angle and set-calibration answer status 1, nothing is stored
  ServoSet failReads;          // the reads answer status 1
  ServoSet silent;             // commands of these servos are neither carried out nor answered;
                               // "all": no command at all, serial-number ones included
  bool refuseSerialWrite = false;  // a serial-number write answers "1" and stores nothing
  int closeAfterFrames = 0;    // > 0: the link is closed once this many frames have arrived
  int strayBytes = 0;          // bytes of 0xEE written before each reply
  int splitBytes = 0;          // > 0: replies go out in TCP pieces of this size ...
  int splitGapMs = 20;         // ... this far apart
  int replyDelayMs = 0;        // replies to the commands of slowServos leave this long after
  ServoSet slowServos{true, {}};  // their request ("all": every reply)
  int cutEvery = 0;            // > 0: every cutEvery-th reply on a link leaves cut in the middle
  bool cutThenSilent = false;  // ... and the link falls silent right after that half
  int silentAfterFrames = 0;   // > 0: the link falls silent once this many frames have arrived:
                               // nothing more is read or written on it, and it is not closed
};

struct SimOptions {
  std::string address = "127.0.0.1";  // where the command service listens (port 6102)
  int servos = 16;
  std::string name = "Vorla2_SIM";
  std::string version = "1.0.0";
  std::string recordIp;               // the IP the discovery record carries; empty: address
  std::string mac = "02:00:00:00:00:01";
  std::string btMac;                  // the Bluetooth MAC of "serial#mac"; empty: mac
  std::string serial = "SN0000000001";
  std::map<int, int> offsets;         // initial calibration offsets by servo id
  std::map<int, int> angles;          // initial angles by servo id (others: kDefaultAngle)
  bool discovery = true;              // answer search requests on UDP port 6000
  std::string announceTo;             // non-empty: send the record every second to this:6000
  std::string stateFile;
  std::string controlPipe;            // non-empty: fault switches are read from this FIFO
  int heartbeatMs = 1000;             // the robot's own frame on every link this often; 0: never
  Faults faults;
  bool help = false;

  static constexpr int kDefaultAngle = 120;
  // The offsets a servo takes; a write of any other is refused (status 1).
  static constexpr int kMaxOffset = 89;
  static constexpr int kMaxServos = 32;

  std::string RecordIp() const { return recordIp.empty() ? address : recordIp; }
  std::string BtMac() const { return btMac.empty() ? mac : btMac; }
};

// Parses argv. False with *error set when an option is unknown or a value is malformed.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* options, std::string* error);

// Parses one line of the control pipe: fault switches only, separated by blanks. On success
// *faults holds exactly those (an empty line: none); otherwise *faults is left alone.
bool ParseFaultLine(const std::string& line, Faults* faults, std::string* error);

// The --help text: every option and what it does.
std::string SimHelpText(const std::string& program);
