// caltrim-cli: the robot link from a shell, for production lines and scripts.

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>

#include "ZAVServoSocket.h"
#include "cli/CommandLine.h"
#include "cli/Commands.h"

namespace {

// Runs the command. Nothing in a command is meant to throw, but should anything (memory running
// out, a library) do so, the run still ends with its report and a status, never an abort.
Outcome RunCommand(const CliOptions& options) {
  if (options.command == nullptr) return Outcome().Fail(kExitBadInput, "no command given");
  try {
    return options.command(options);
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
  // Scripts start many runs side by side, often in the same second: each keeps a session log of
  // its own, named after its process id.
  ZAVSetSessionLogTag(("cli-" + std::to_string(::getpid())).c_str());
  // Standard output carries the command's output and nothing else: whatever the libraries may
  // print there (the logging library's diagnostics) goes to standard error instead. No UI host is
  // installed, so the library's message boxes go to standard error too.
  std::fflush(stdout);
  const int output = ::dup(STDOUT_FILENO);
  if (output < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return kExitBadInput;
  const Outcome outcome = RunCommand(options);
  std::fflush(stdout);
  return PrintOutcome(outcome, options.json, output);
}
