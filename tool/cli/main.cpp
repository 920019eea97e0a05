// caltrim-cli: the robot link from a shell, for production lines and scripts.

#include <unistd.h>

#include <clocale>
#include <cstdio>

#include "cli/CommandLine.h"
#include "cli/Commands.h"

namespace {

Outcome Run(const CliOptions& options) {
  switch (options.command) {
    case CliOptions::kDiscover:
      return Discover(options);
    case CliOptions::kOffsetsRead:
      return ReadOffsets(options);
    case CliOptions::kOffsetsWrite:
      return WriteOffsets(options);
    case CliOptions::kMove:
      return Move(options);
    case CliOptions::kReset:
      return Reset(options);
    case CliOptions::kBackup:
      return Backup(options);
    case CliOptions::kRestore:
      return Restore(options);
    case CliOptions::kSnRead:
      return ReadSerial(options);
    case CliOptions::kSnWrite:
      return WriteSerial(options);
    default:
      return Outcome().Fail(kExitBadInput, "no command given");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  CliOptions options;
  const int parsed = ParseCommandLine(argc, argv, &options);
  if (parsed >= 0) return parsed;
  // Standard output carries the command's output and nothing else: whatever the libraries print
  // there (the session log's own diagnostics) goes to standard error instead. No UI host is
  // installed, so the library's message boxes go to standard error too.
  std::fflush(stdout);
  const int output = ::dup(STDOUT_FILENO);
  if (output < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return kExitBadInput;
  const Outcome outcome = Run(options);
  std::fflush(stdout);
  return PrintOutcome(outcome, options.json, output);
}
