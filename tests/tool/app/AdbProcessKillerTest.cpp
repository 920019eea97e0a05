#include "app/AdbProcessKiller.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "outside/uibase/TempFolder.h"

namespace {

struct Process { pid_t pid; const char* name; char state = 'S'; };

struct Case {
  const char* what;
  std::vector<Process> processes;
  std::vector<pid_t> refusing;  // those the killer cannot end
  pid_t ended;
  std::vector<pid_t> attempts;
};

// Each case runs on a folder laid out like /proc, which also holds entries that are no process:
// "self", a name that is no number, and a process that has vanished (no comm any more).
TEST(AdbProcessKillerTest, EndsTheFirstAdbInProcessIdOrderThatCanBeEnded) {
  const Case cases[] = {
      {"names compare without case; lower ids first",
       {{900, "adb"}, {77, "ADB"}, {1000, "Adb"}, {5, "bash"}},
       {},
       77,
       {77}},
      {"on past those that cannot be ended",
       {{10, "adb"}, {20, "adb"}, {30, "adb"}},
       {10},
       20,
       {10, 20}},
      {"the whole name only", {{10, "adbd"}, {11, "xadb"}, {12, "ad"}, {13, "adb.exe"}}, {}, 0, {}},
      {"ended processes are passed over", {{10, "adb", 'Z'}, {11, "adb"}}, {}, 11, {11}},
  };
  for (const Case& c : cases) {
    TempFolder proc;
    for (const char* noProcess : {"self", "99"}) {
      std::filesystem::create_directory(proc.Path() / noProcess);
    }
    proc.Write("self/comm", "adb\n");
    proc.Write("12abc", "");
    for (const Process& p : c.processes) {
      const std::string pid = std::to_string(p.pid);
      std::filesystem::create_directory(proc.Path() / pid);
      proc.Write(pid + "/comm", std::string(p.name) + "\n");
      proc.Write(pid + "/stat", pid + " (" + p.name + ") " + p.state + " 1 1 1 0 -1\n");
    }
    std::vector<pid_t> attempts;
    const pid_t ended = KillFirstProcessNamed("adb", proc.Path().string(), [&](pid_t pid) {
      attempts.push_back(pid);
      return std::find(c.refusing.begin(), c.refusing.end(), pid) == c.refusing.end();
    });
    EXPECT_EQ(ended, c.ended) << c.what;
    EXPECT_EQ(attempts, c.attempts) << c.what;
  }
  EXPECT_EQ(KillFirstProcessNamed("adb", "/no/such/proc", [](pid_t) { return true; }), 0);
}

}  // namespace
