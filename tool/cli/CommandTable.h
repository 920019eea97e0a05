#pragma once

#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Outcome.h"

class RobotTarget;

// The sub-commands of caltrim-cli: the one place that names them, says what each does, shows how
// it is used, and adds its options. CommandLine.cpp builds the command line from it, the help
// and the completion scripts follow from that. What each prints is documented in README.
//
// A robot command runs on one robot (RobotTarget.h): --robot IP, the same on every robot
// discovery finds with --robot all (AllRobots.h), unless it is marked as one for a single robot.

using PlainCommand = Outcome (*)(const CliOptions& options);
using RobotCommand = Outcome (*)(const CliOptions& options, RobotTarget& robot);

struct CommandEntry {
  const char* path;      // its words, "offsets read"; a group ("offsets") is made from the first,
                         // unless a command of that word ("history") stands before it
  const char* help;      // what it does; the first line is its summary in the list of commands
  const char* examples;  // one or two command lines, the end of its help
  PlainCommand run;      // a command that needs no robot, or
  RobotCommand robotRun; // a command on a robot
  bool oneRobot;         // robotRun takes one robot only: --robot all is refused
  void (*define)(CLI::App* command, CliOptions* options);  // its own options and positionals
  // What is wrong with a command line whose options are each right but do not go together (the
  // usage error), or empty; none: nothing to check.
  std::string (*check)(const CliOptions& options) = nullptr;
};

// In the order of the help.
const std::vector<CommandEntry>& CommandEntries();

// The summary of a group of commands ("offsets"), for the list of commands.
const char* GroupHelp(const char* group);

// Adds --robot (an address, or "all") and, unless oneRobot, --seconds.
void AddRobotOptions(CLI::App* command, CliOptions* options, bool oneRobot);

// Once the command line of the robot command of entry is parsed: --robot, or else CALTRIM_ROBOT, in
// options->robot. The usage error when neither names a robot, or "all" for a command on one.
std::string ChooseRobot(const CommandEntry& entry, CliOptions* options);

