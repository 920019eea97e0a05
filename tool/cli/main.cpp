// caltrim-cli: the robot link from a shell, for production lines and scripts.

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>

#include "ZAVServoSocket.h"
#include "ZAVUIBase.h"
#include "cli/AllRobots.h"
#include "cli/CliRecords.h"
#include "cli/CommandContext.h"
#include "cli/CommandLine.h"
#include "cli/CommandTable.h"
#include "cli/RobotTarget.h"

namespace {

// The command on the robot --robot names, or on every robot discovery finds.
Outcome RunOnRobots(const CliOptions& options) {
  if (options.robot == "all") return RunOnEveryRobot(options, options.command->robotRun);
  RobotTarget robot(options, RobotTarget::Identity{options.robot, {}, {}, {}});
  return options.command->robotRun(options, robot);
}

// Runs the command. Nothing in a command is meant to throw, but should anything (memory running
// out, a library) do so, the run still ends with its report and a status, never an abort.
Outcome RunCommand(const CliOptions& options) {
  if (options.command == nullptr) return Outcome().Fail(kExitBadInput, "no command given");
  try {
    return options.command->run != nullptr ? options.command->run(options) : RunOnRobots(options);
  } catch (const std::exception& failure) {
    return Outcome().Fail(kExitLocal, std::string("stopped by a failure of this program: ") + failure.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  CliOptions options;
  const int parsed = ParseCommandLine(argc, argv, &options);
  if (parsed >= 0) return parsed;
  SetQuiet(options.quiet);
  // Scripts start many runs side by side, often in the same second: each keeps a session log of
  // its own, named after its process id.
  const std::string tag = "cli-" + std::to_string(::getpid());
  ZAVSetSessionLogTag(tag.c_str());
  if (options.verbose) {
    Progress("session logs: " + ZAVNarrowToUtf8(GetWritableFolder(ZAV_WRITABLE_STATE)) + "Log/, files named *_" + tag +
             "*.log");
  }
  // Standard output carries the command's output and nothing else: whatever the libraries may
  // print there (the logging library's diagnostics) goes to standard error instead. No UI host is
  // installed, so the library's message boxes go to standard error too.
  std::fflush(stdout);
  options.outputFd = ::dup(STDOUT_FILENO);
  if (options.outputFd < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return kExitLocal;
  CliRecords records(options);
  options.recorder = &records;
  Outcome outcome = RunCommand(options);
  records.Finish(&outcome);
  std::fflush(stdout);
  return PrintOutcome(outcome, options.json, options.outputFd);
}
