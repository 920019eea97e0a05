// map_probe: starts a program and measures what an operator waits for and what the machine pays:
// the time from the start to the first top-level window mapped on the X display, the window's
// size, then the resident memory of the named process a few seconds later and its CPU over an
// idle stretch. Prints one line of key=value pairs on standard output.
//
//   map_probe --process NAME [--settle S] [--idle S] [--timeout S] -- COMMAND...
//
// COMMAND may wrap the program (namespaces, a mount of its own): NAME picks, among COMMAND's
// descendants, the process whose figures count. The window is taken from the root window's
// MapNotify events, which Xvfb without a window manager sends for every top-level window, so the
// figure includes nothing of the probe's own polling.

#include <X11/Xlib.h>
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  std::string process;
  int settleSeconds = 3;
  int idleSeconds = 10;
  int timeoutSeconds = 30;
  std::vector<char*> command;
};

[[noreturn]] void Usage() {
  std::fputs("usage: map_probe --process NAME [--settle S] [--idle S] [--timeout S] -- COMMAND...\n",
             stderr);
  std::exit(2);
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  int i = 1;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (i + 1 >= argc) Usage();
    const std::string name = argv[i];
    const char* value = argv[++i];
    if (name == "--process") {
      options.process = value;
    } else if (name == "--settle") {
      options.settleSeconds = std::atoi(value);
    } else if (name == "--idle") {
      options.idleSeconds = std::atoi(value);
    } else if (name == "--timeout") {
      options.timeoutSeconds = std::atoi(value);
    } else {
      Usage();
    }
  }
  for (++i; i < argc; ++i) options.command.push_back(argv[i]);
  if (options.process.empty() || options.command.empty()) Usage();
  options.command.push_back(nullptr);
  return options;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Fields of /proc/PID/stat after the command name, which may hold spaces and parentheses.
std::vector<std::string> StatFields(int pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const std::size_t close = stat.rfind(')');
  std::vector<std::string> fields;
  if (close == std::string::npos) return fields;
  std::istringstream rest(stat.substr(close + 1));
  for (std::string field; rest >> field;) fields.push_back(field);
  return fields;
}

int ParentOf(int pid) {
  const std::vector<std::string> fields = StatFields(pid);
  return fields.size() > 1 ? std::atoi(fields[1].c_str()) : 0;
}

bool DescendsFrom(int pid, int ancestor) {
  for (int p = pid; p > 1; p = ParentOf(p)) {
    if (p == ancestor) return true;
  }
  return false;
}

// The descendant of root whose command name is name, or none yet.
std::optional<int> FindProcess(int root, const std::string& name) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return std::nullopt;
  std::optional<int> found;
  while (dirent* entry = readdir(proc)) {
    const int pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    std::string comm = ReadFile("/proc/" + std::to_string(pid) + "/comm");
    if (!comm.empty() && comm.back() == '\n') comm.pop_back();
    if (comm == name.substr(0, 15) && DescendsFrom(pid, root)) {
      found = pid;
      break;
    }
  }
  closedir(proc);
  return found;
}

long ResidentKb(int pid) {
  std::istringstream status(ReadFile("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// User plus system time of every thread of pid, in clock ticks.
long CpuTicks(int pid) {
  const std::vector<std::string> fields = StatFields(pid);
  return fields.size() > 12 ? std::atol(fields[11].c_str()) + std::atol(fields[12].c_str()) : -1;
}

int SharedLibraries(int pid) {
  std::istringstream maps(ReadFile("/proc/" + std::to_string(pid) + "/maps"));
  std::set<std::string> libraries;
  for (std::string line; std::getline(maps, line);) {
    const std::size_t slash = line.find('/');
    if (slash != std::string::npos && line.find(".so", slash) != std::string::npos) {
      libraries.insert(line.substr(slash));
    }
  }
  return static_cast<int>(libraries.size());
}

// Waits for the first top-level window mapped after the start; its size, or none at the deadline.
std::optional<std::pair<int, int>> WaitForMappedWindow(Display* display, Clock::time_point deadline) {
  const int fd = ConnectionNumber(display);
  while (Clock::now() < deadline) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != MapNotify || event.xmap.override_redirect) continue;
      XWindowAttributes attributes;
      if (XGetWindowAttributes(display, event.xmap.window, &attributes) == 0) continue;
      return std::make_pair(attributes.width, attributes.height);
    }
    pollfd wait{fd, POLLIN, 0};
    poll(&wait, 1, 50);
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("map_probe: cannot open the X display\n", stderr);
    return 2;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    execvp(options.command[0], options.command.data());
    _exit(127);
  }
  const auto window =
      WaitForMappedWindow(display, start + std::chrono::seconds(options.timeoutSeconds));
  const double mappedMs =
      std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  int status = 0;
  if (!window) {
    std::fputs("map_probe: no window was mapped in time\n", stderr);
    kill(-child, SIGKILL);
    waitpid(child, &status, 0);
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(options.settleSeconds));
  const std::optional<int> target = FindProcess(child, options.process);
  long rss = -1, ticks = -1;
  int libraries = -1;
  if (target) {
    rss = ResidentKb(*target);
    libraries = SharedLibraries(*target);
    const long before = CpuTicks(*target);
    std::this_thread::sleep_for(std::chrono::seconds(options.idleSeconds));
    ticks = CpuTicks(*target) - before;
  }
  const double cpuPercent =
      100.0 * static_cast<double>(ticks) / sysconf(_SC_CLK_TCK) / options.idleSeconds;
  std::printf("mapped_ms=%.1f width=%d height=%d rss_kb=%ld libraries=%d idle_cpu_percent=%.2f\n",
              mappedMs, window->first, window->second, rss, libraries, target ? cpuPercent : -1.0);
  std::fflush(stdout);
  // SIGKILL: a process that is the first of its own process namespace ignores SIGTERM sent from
  // outside, and unshare ignores it while it waits for its child.
  kill(-child, SIGKILL);
  waitpid(child, &status, 0);
  XCloseDisplay(display);
  return target ? 0 : 1;
}
