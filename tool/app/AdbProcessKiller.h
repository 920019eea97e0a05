#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

// Ends one stray Android Debug Bridge server left from an earlier run, so the program starts
// its own: the first running process (lowest process id first) named "adb", the name compared
// without regard to case, that can be ended is ended with SIGKILL. At most one process is ended.
// Returns its process id, or 0 when none was ended.
pid_t KillAdbProcess();

// The same walk over the process folder procRoot (laid out as /proc: one folder per process id
// holding "comm" and "stat"), for the process name name, ending a process with kill (true when
// it ended). Processes that already ended (zombies) are passed over.
pid_t KillFirstProcessNamed(const std::string& name, const std::string& procRoot,
                            const std::function<bool(pid_t)>& kill);
