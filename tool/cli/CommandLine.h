#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}
class CliRecords;
struct CommandEntry;

// What caltrim-cli is told on its command line.
struct CliOptions {
  // The sub-command to run (CommandTable.h); none until one is parsed.
  const CommandEntry* command = nullptr;

  // Common.
  bool json = false;
  bool quiet = false;       // -q: no progress on standard error
  bool verbose = false;     // -v: the link's states and replies on standard error
  int timeoutSeconds = 10;  // the connect, the link's silence, and the command's waits in all
  std::string configPath;   // Config.ini; empty: the program's own, as the window finds it
  std::optional<std::string> records;  // --records URL|FILE|off; none: Config.ini's, or the default
  int outputFd = 1;         // where results go: standard output as the program found it
  CliRecords* recorder = nullptr;  // the calibration records of the run (main makes them)

  std::string robot;              // dotted IPv4 address, or "all"
  int seconds = 3;                // discover, --robot all: how long to search
  int servos = 0;                 // servos 1..N; 0: --ids, or "ServoNum" of Config.ini
  std::string ids;                // --ids LIST ("3,5-7"); empty: --servos or Config.ini
  int maxId = 32;                 // servos scan: ids 1..N
  std::vector<std::string> assignments;  // offsets write: ID=VALUE
  int id = 0;                     // move
  int angle = 0;                  // move
  int ms = 1000;                  // move: travel time
  std::string file;               // backup, restore: a file, "-" (stdout, stdin) or a folder DIR/
  bool dryRun = false;            // offsets write, reset, restore
  bool force = false;             // restore
  bool all = false;               // restore: write every offset, equal ones too
  std::string fromHistory;        // restore: the robot (serial number) whose recorded calibration
  std::int64_t runId = 0;         //   to write, and which run of it; 0: its latest successful one
  std::string serial;             // sn write
  std::optional<std::string> server;  // sn write: the equipment service; none: sys.ini's
  std::string shell;              // completion: bash or zsh
  std::string historySerial;      // history: one robot's runs, by serial number
  std::string historyMac;         //   or by MAC
  std::string since;              //   runs at or after this UTC time (ParseUtcTime)
  bool csv = false;               // history, history stats: comma-separated values
};

// Defines the whole command line on app, its values going into *options: the common options, and
// every sub-command of CommandTable.h with its own.
void DefineCommandLine(CLI::App* app, CliOptions* options);

// Parses argv into *options. Returns -1 when a command is to run; otherwise the exit status
// to end with at once: 0 after --help or --help-all (printed on standard output), 2 for bad usage
// (the message, naming the bad argument or the unknown command, on standard error, and with
// --json anywhere among the arguments also as the report {"error":..,"status":2,"version":1} on
// standard output).
int ParseCommandLine(int argc, char** argv, CliOptions* options);
