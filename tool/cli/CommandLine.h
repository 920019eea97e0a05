#pragma once

#include <optional>
#include <string>
#include <vector>

struct Outcome;

// What caltrim-cli is told on its command line.
struct CliOptions {
  // The sub-command to run (Commands.h); none until one is parsed.
  Outcome (*command)(const CliOptions& options) = nullptr;

  // Common.
  bool json = false;
  int timeoutSeconds = 10;  // the connect, each read of the link, and the wait for answers
  std::string configPath;   // Config.ini; empty: the program's own, as the window finds it

  std::string robot;              // dotted IPv4 address
  int seconds = 3;                // discover: how long to listen
  int servos = 0;                 // servos 1..N; 0: "ServoNum" of Config.ini
  std::vector<std::string> assignments;  // offsets write: ID=VALUE
  int id = 0;                     // move
  int angle = 0;                  // move
  int ms = 1000;                  // move: travel time
  std::string file;               // backup, restore
  bool dryRun = false;            // restore
  bool force = false;             // restore
  std::string serial;             // sn write
  std::optional<std::string> server;  // sn write: the equipment service; none: sys.ini's
};

// Parses argv into *options. Returns -1 when a command is to run; otherwise the exit status
// to end with at once: 0 after --help (printed on standard output), 2 for bad usage (the message,
// naming the bad argument or the unknown command, on standard error, and with --json anywhere
// among the arguments also as the report {"error":..,"status":2} on standard output).
int ParseCommandLine(int argc, char** argv, CliOptions* options);
