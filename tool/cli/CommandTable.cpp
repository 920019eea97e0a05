#include "cli/CommandTable.h"

#include <CLI/CLI.hpp>
#include <arpa/inet.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "ZAVServoSocket.h"
#include "cli/BackupTarget.h"
#include "cli/Commands.h"
#include "cli/ServoList.h"
#include "records/RunRecord.h"

namespace {

// --robot: a dotted IPv4 address, as the session takes it; the port is always the robot's own.
std::string RobotAddress(const std::string& text) {
  in_addr address{};
  if (::inet_pton(AF_INET, text.c_str(), &address) == 1) return {};
  const std::size_t colon = text.rfind(':');
  if (colon != std::string::npos && ::inet_pton(AF_INET, text.substr(0, colon).c_str(), &address) == 1) {
    return "\"" + text + "\" is an IPv4 address with a port: give the address alone (the port is always " +
           std::to_string(ZAV_ROBOT_PORT) + ")";
  }
  return "\"" + text + "\" is not an IPv4 address (four numbers 0..255 joined by dots, such as 192.168.1.23)";
}

std::string RobotAddressOrAll(const std::string& text) { return text == "all" ? std::string() : RobotAddress(text); }

std::string ServoListProblem(const std::string& text) {
  std::string error;
  ParseServoList(text, &error);
  return error;
}

std::string NotEmpty(const std::string& text) { return text.empty() ? "empty" : ""; }

// A range check that adds nothing to the option's name in the help.
CLI::Validator Within(int low, int high) { return CLI::Range(low, high).description(""); }

// --servos N or --ids LIST: which servos a command covers (default: ServoNum of Config.ini).
void AddServoChoice(CLI::App* command, CliOptions* options) {
  CLI::Option* count = command->add_option("--servos", options->servos, "servos 1..N (default: ServoNum of Config.ini)")
                           ->option_text("N")
                           ->check(Within(1, 255));
  command->add_option("--ids", options->ids, "these servos, such as 3,5-7, in this order")
      ->option_text("LIST")
      ->check(CLI::Validator(ServoListProblem, ""))
      ->excludes(count);
}

void AddDryRun(CLI::App* command, CliOptions* options, const char* help) {
  command->add_flag("--dry-run", options->dryRun, help);
}

void DefineServoReads(CLI::App* command, CliOptions* options) { AddServoChoice(command, options); }

void DefineDiscover(CLI::App* command, CliOptions* options) {
  command->add_option("--seconds", options->seconds, "how long to listen, in seconds (default 3)")
      ->option_text("SECONDS")
      ->check(Within(1, 600));
}

void DefineScan(CLI::App* command, CliOptions* options) {
  CLI::Option* max = command->add_option("--max", options->maxId, "ask ids 1..N (default 32)")
                         ->option_text("N")
                         ->check(Within(1, 255));
  command->add_option("--ids", options->ids, "ask these ids instead, such as 1-40")
      ->option_text("LIST")
      ->check(CLI::Validator(ServoListProblem, ""))
      ->excludes(max);
}

void DefineOffsetsWrite(CLI::App* command, CliOptions* options) {
  command->add_option("ID=VALUE", options->assignments, "servo ID's new offset, -89..89; each servo once")
      ->required();
  AddDryRun(command, options, "read the servos' offsets and show which would change; write nothing");
}

void DefineMove(CLI::App* command, CliOptions* options) {
  command->add_option("ID", options->id, "the servo, 1..255")->required()->check(Within(1, 255));
  command->add_option("ANGLE", options->angle, "where it goes, 0..240")->required()->check(Within(0, 240));
  command->add_option("--ms", options->ms, "travel time in milliseconds, 0..65535 (default 1000)")
      ->option_text("MS")
      ->check(Within(0, 65535));
}

void DefineReset(CLI::App* command, CliOptions* options) {
  AddServoChoice(command, options);
  AddDryRun(command, options, "read the servos' angles and show which would move; move nothing");
}

void DefineBackup(CLI::App* command, CliOptions* options) {
  AddServoChoice(command, options);
  command->add_option("FILE", options->file,
                      "the backup file; - for standard output; a folder DIR/ (required with --robot all)\n"
                      "for DIR/SERIAL.json")
      ->required();
}

void DefineRestore(CLI::App* command, CliOptions* options) {
  CLI::Option* file = command->add_option("FILE", options->file,
                                          "the backup file; - for standard input; a folder DIR/ for DIR/SERIAL.json,\n"
                                          "SERIAL being the robot's");
  CLI::Option* fromHistory =
      command
          ->add_option("--from-history", options->fromHistory,
                       "instead of a file, the offsets of robot SERIAL's latest successful\n"
                       "calibration in the records (history shows them)")
          ->option_text("SERIAL")
          ->check(CLI::Validator(NotEmpty, ""))
          ->excludes(file);
  command->add_option("--run", options->runId, "with --from-history: that calibration, by its run ID in history")
      ->option_text("ID")
      ->check(CLI::Range(std::int64_t{1}, std::numeric_limits<std::int64_t>::max()).description(""))
      ->needs(fromHistory);
  command->add_option("--ids", options->ids, "restore only these servos of the backup, such as 3,5-7")
      ->option_text("LIST")
      ->check(CLI::Validator(ServoListProblem, ""));
  AddDryRun(command, options, "check the file and the robot and show what would be written; write nothing");
  command->add_flag("--force", options->force, "write a backup of another robot");
  command->add_flag("--all", options->all, "write every offset, also those the robot holds already");
}

void DefineSerialWrite(CLI::App* command, CliOptions* options) {
  command->add_option("SERIAL", options->serial, "the new serial number (a scanned key=value leaves the value)")
      ->required();
  command->add_option("--server", options->server,
                      "the equipment service's base URL, http://HOST[:PORT] (default: Server of\n"
                      "sys.ini)")
      ->option_text("URL");
}

// --since DATE: a UTC date or time.
std::string UtcTimeProblem(const std::string& text) {
  std::chrono::system_clock::time_point time;
  std::string error;
  return ParseUtcTime(text, &time, &error) ? std::string() : error;
}

void AddCsv(CLI::App* command, CliOptions* options) {
  command->add_flag("--csv", options->csv, "comma-separated values (RFC 4180: CR LF line ends), a header first");
}

void DefineHistory(CLI::App* command, CliOptions* options) {
  CLI::Option* serial =
      command->add_option("--serial", options->historySerial, "the runs of the robot with this serial number")
          ->option_text("SN");
  command->add_option("--mac", options->historyMac, "the runs of the robot with this MAC (discovery's), letter case\naside")
      ->option_text("MAC")
      ->excludes(serial);
  command
      ->add_option("--since", options->since,
                   "runs at or after DATE, a UTC date YYYY-MM-DD or time\nYYYY-MM-DDTHH:MM[:SS[.mmm]][Z]")
      ->option_text("DATE")
      ->check(CLI::Validator(UtcTimeProblem, ""));
  AddCsv(command, options);
}

void DefineStats(CLI::App* command, CliOptions* options) { AddCsv(command, options); }

void DefineCompletion(CLI::App* command, CliOptions* options) {
  command->add_option("SHELL", options->shell, "bash or zsh")
      ->required()
      ->check(CLI::IsMember({"bash", "zsh"}).description(""));
}

// backup and restore on every robot: one file each, in a folder.
std::string FolderForAllRobots(const CliOptions& options) {
  if (options.robot != "all" || BackupTarget::IsFolder(options.file)) return {};
  return "FILE: with --robot all, give a folder DIR/ (each robot's file is DIR/SERIAL.json), not \"" +
         options.file + "\"";
}

// What restore writes: a backup (FILE), or one robot's calibration in the records.
std::string RestoreSource(const CliOptions& options) {
  if (options.fromHistory.empty()) {
    return options.file.empty() ? "FILE or --from-history SERIAL is required" : FolderForAllRobots(options);
  }
  return options.robot == "all" ? "--from-history: one robot's calibration goes onto that robot: give --robot IP"
                                : std::string();
}

// --csv or --json, not both.
std::string OneFormat(const CliOptions& options) {
  return options.csv && options.json ? "--csv and --json: choose one" : std::string();
}

std::string StatsOptions(const CliOptions& options) {
  if (!options.historySerial.empty() || !options.historyMac.empty() || !options.since.empty()) {
    return "history stats covers every robot: --serial, --mac and --since are history's";
  }
  return OneFormat(options);
}

const char* const kGroups[][2] = {
    {"offsets", "read or write the servos' calibration offsets"},
    {"angles", "read the servos' current angles"},
    {"servos", "find which servo ids answer"},
    {"sn", "read or write the robot's serial number"},
};

}  // namespace

const std::vector<CommandEntry>& CommandEntries() {
  static const std::vector<CommandEntry> entries = {
      {"discover",
       "list the robots on the network.\n"
       "Broadcasts the search request on UDP port 6000 (once more each second) and lists each\n"
       "robot that answers once, by its MAC",
       "caltrim-cli discover --seconds 5",
       Discover, nullptr, false, DefineDiscover},
      {"offsets read",
       "every servo's stored calibration offset",
       "caltrim-cli offsets read --robot 192.168.1.23\n"
       "caltrim-cli offsets read --robot all --ids 1-4 --json",
       nullptr, ReadOffsets, false, DefineServoReads},
      {"offsets write",
       "write calibration offsets.\n"
       "As the window's Calibrate does: only -89..89 are sent, each servo once, each answer is\n"
       "matched to its write, and writes still unanswered after 6 s (sooner once --timeout is\n"
       "spent) count as no reply",
       "caltrim-cli offsets write --robot 192.168.1.23 3=-5 4=12\n"
       "caltrim-cli offsets write --robot 192.168.1.23 --dry-run 3=-5",
       nullptr, WriteOffsets, false, DefineOffsetsWrite},
      {"angles read",
       "every servo's current angle, read without moving it",
       "caltrim-cli angles read --robot 192.168.1.23 --ids 3,5-7",
       nullptr, ReadAngles, false, DefineServoReads},
      {"servos scan",
       "list the servo ids that answer.\n"
       "A read of its angle goes to each id (nothing moves); ids that refuse it or stay silent are\n"
       "left out",
       "caltrim-cli servos scan --robot 192.168.1.23 --max 20 --timeout 2",
       nullptr, ScanServos, false, DefineScan},
      {"move",
       "move one servo to an angle",
       "caltrim-cli move --robot 192.168.1.23 3 150 --ms 500",
       nullptr, Move, false, DefineMove},
      {"reset",
       "move every servo to its reference angle.\n"
       "The reference angle is ID<n> of Config.ini; each servo moves in 2000 ms, one after the\n"
       "other 50 ms apart, as the window's Reset does",
       "caltrim-cli reset --robot 192.168.1.23\n"
       "caltrim-cli reset --robot all --dry-run",
       nullptr, Reset, false, DefineReset},
      {"backup",
       "save the robot's calibration in a JSON file.\n"
       "Its serial number, MAC and every servo's offset, with the time and the program version",
       "caltrim-cli backup --robot 192.168.1.23 vorla2-0042.json\n"
       "caltrim-cli backup --robot all backups/",
       nullptr, Backup, false, DefineBackup, FolderForAllRobots},
      {"restore",
       "put the offsets of a backup back.\n"
       "Writes those that differ from the robot's (--all: every one), reads them back and reports\n"
       "any difference; a file whose serial number is not the robot's is refused unless --force.\n"
       "--from-history takes the offsets from the records instead: those the robot held after its\n"
       "latest successful calibration (or after run --run), with the same checks",
       "caltrim-cli restore --robot 192.168.1.23 vorla2-0042.json\n"
       "caltrim-cli restore --robot all --dry-run backups/\n"
       "caltrim-cli restore --robot 192.168.1.23 --from-history SN0000000042",
       nullptr, Restore, false, DefineRestore, RestoreSource},
      {"history",
       "the recorded runs, newest first.\n"
       "Every run that changed a robot (offsets write, restore, reset, sn write; the window's\n"
       "Calibrate and Reset): when, on which station, by whom, with which program, on which robot,\n"
       "and each servo's offset before, the value sent and its answer",
       "caltrim-cli history --serial SN0000000042\n"
       "caltrim-cli history --since 2026-05-01 --csv > runs.csv",
       History, nullptr, false, DefineHistory, OneFormat},
      {"history stats",
       "per servo, the spread of the robots' offsets.\n"
       "Over the latest accepted offset of each robot: count, mean, min, max, standard deviation,\n"
       "and how many lie within 10 of the limits -89 and 89 (a jig out of true shows there)",
       "caltrim-cli history stats\n"
       "caltrim-cli history stats --csv > offsets.csv",
       HistoryStats, nullptr, false, DefineStats, StatsOptions},
      {"sn read",
       "the robot's serial number and Bluetooth MAC",
       "caltrim-cli sn read --robot all",
       nullptr, ReadSerial, false, nullptr},
      {"sn write",
       "give the robot a serial number.\n"
       "Verifies SERIAL with the equipment service, writes it into the robot, reads it back and\n"
       "confirms it with the robot's Bluetooth MAC, as the serial number window does; a robot that\n"
       "holds SERIAL already is left as it is, without asking the service",
       "caltrim-cli sn write --robot 192.168.1.23 SN0000000042\n"
       "caltrim-cli sn write --robot 192.168.1.23 SN0000000042 --server http://10.0.0.5:8081",
       nullptr, WriteSerial, true, DefineSerialWrite},
      {"completion",
       "print a completion script for bash or zsh",
       "caltrim-cli completion bash > ~/.local/share/bash-completion/completions/caltrim-cli",
       WriteCompletion, nullptr, false, DefineCompletion},
  };
  return entries;
}

const char* GroupHelp(const char* group) {
  for (const auto& entry : kGroups) {
    if (std::strcmp(entry[0], group) == 0) return entry[1];
  }
  return "";
}

void AddRobotOptions(CLI::App* command, CliOptions* options, bool oneRobot) {
  command
      ->add_option("--robot", options->robot,
                   oneRobot ? "the robot's IPv4 address (port 6102); default: $CALTRIM_ROBOT"
                            : "the robot's IPv4 address (port 6102), or all: every robot discovery\n"
                              "finds, one after the other; default: $CALTRIM_ROBOT")
      ->option_text(oneRobot ? "IP" : "IP|all")
      ->check(CLI::Validator(RobotAddressOrAll, ""));
  if (oneRobot) return;
  command->add_option("--seconds", options->seconds, "with --robot all: how long to search, in seconds (default 3)")
      ->option_text("SECONDS")
      ->check(Within(1, 600));
}

std::string ChooseRobot(const CommandEntry& entry, CliOptions* options) {
  // The default is taken here, for the command given only: the parser would check the variable
  // for every command that has --robot, used or not.
  if (options->robot.empty()) {
    const char* robot = std::getenv("CALTRIM_ROBOT");
    if (robot == nullptr || *robot == '\0') return "--robot is required (or CALTRIM_ROBOT)";
    options->robot = robot;
    const std::string problem = RobotAddressOrAll(options->robot);
    if (!problem.empty()) return "CALTRIM_ROBOT: " + problem;
  }
  if (entry.oneRobot && options->robot == "all") {
    return "--robot: \"all\": " + std::string(entry.path) + " works on one robot at a time";
  }
  return {};
}
