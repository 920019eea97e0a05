#pragma once

#include <string>
#include <vector>

namespace zavusbadb {

// The outcome of running one program to its end.
struct ProcessResult {
  enum class Status {
    kExited,      // the program ended by itself; exitCode holds its exit status
    kKilled,      // it ended through a signal it was not sent by us
    kTimedOut,    // it overran its time-out and was killed, with everything it started
    kCannotRun,   // no such program on PATH, or it cannot be executed
  };
  Status status = Status::kCannotRun;
  int exitCode = -1;
  std::string output;  // standard output and standard error, interleaved as written
};

// Runs argv[0], looked up on PATH, with argv as its arguments, standard input from /dev/null and
// both output streams captured. Returns when the program has ended, or after timeoutMs when it
// has not: then its whole process group is killed and reaped, so a hung program never hangs the
// caller. Output written by processes it left running in the background (a daemon it started)
// is not waited for.
ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs);

}  // namespace zavusbadb
