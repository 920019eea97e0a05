#pragma once

#include <string>
#include <vector>

// What the equipment service simulator is told on its command line.
struct EquipmentOptions {
  std::string address = "127.0.0.1";  // where it listens (IPv4)
  int port = 8081;                    // 0: any free port, printed at start
  std::string registerFile = "equipment-register.sqlite";
  std::vector<std::string> registerAdd;  // numbers added as free at start (when not there yet)
  bool list = false;                     // print the register and exit
  int timeWindowSeconds = 300;  // how far a requestTime may be from the simulator's clock
  std::string forceVerify;      // non-empty: every verify answers this code, register untouched
  std::string forceConfirm;     // the same for confirm
  int status = 200;             // other than 200: every request gets this status, register untouched
  int delayMs = 0;              // each answer leaves this long after its request
  bool emptyBody = false;       // every request gets status 200 and no body, register untouched
  bool help = false;
};

// Parses the arguments after the program name. False with *error set when an option is unknown
// or a value is malformed.
bool ParseEquipmentOptions(const std::vector<std::string>& args, EquipmentOptions* options,
                           std::string* error);

// The --help text: what the simulator does, every option, the answer codes and the format rule.
std::string EquipmentHelpText(const std::string& program);
