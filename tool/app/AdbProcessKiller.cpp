#include "app/AdbProcessKiller.h"

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

std::vector<pid_t> ProcessIds(const std::string& procRoot) {
  std::vector<pid_t> pids;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(procRoot, error)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || !std::all_of(name.begin(), name.end(),
                                         [](unsigned char c) { return std::isdigit(c) != 0; })) continue;
    try {
      pids.push_back(static_cast<pid_t>(std::stol(name)));
    } catch (const std::exception&) {
      // Not a process id after all (out of range): not a process.
    }
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// The process name as the kernel keeps it ("comm"), without the line end.
std::string ProcessName(const std::string& folder) {
  std::ifstream in(folder + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// A zombie ('Z') or dead ('X') process has ended already; killing it ends nothing.
bool HasEnded(const std::string& folder) {
  std::ifstream in(folder + "/stat");
  std::string stat;
  std::getline(in, stat);
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 2 >= stat.size()) return false;
  const char state = stat[close + 2];
  return state == 'Z' || state == 'X';
}

}  // namespace

pid_t KillFirstProcessNamed(const std::string& name, const std::string& procRoot,
                            const std::function<bool(pid_t)>& kill) {
  for (const pid_t pid : ProcessIds(procRoot)) {
    const std::string folder = procRoot + "/" + std::to_string(pid);
    if (!SameNameIgnoringCase(ProcessName(folder), name) || HasEnded(folder)) continue;
    if (kill(pid)) return pid;
  }
  return 0;
}

pid_t KillAdbProcess() {
  return KillFirstProcessNamed("adb", "/proc",
                               [](pid_t pid) { return ::kill(pid, SIGKILL) == 0; });
}
