#include "support/rig/NetnsRig.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace {

const char kThreadNetns[] = "/proc/thread-self/ns/net";

// Runs the rig script; empty when it succeeded, else what it said.
std::string RunRig(const std::vector<std::string>& args) {
  std::vector<std::string> argv{CALTRIM_NETNS_RIG_SCRIPT};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string output;
  const int status = RunCommand(argv, &output);
  if (status == 0) return "";
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
  return "netns-rig " + args[0] + " (status " + std::to_string(status) + "): " + output;
}

}  // namespace

std::string NetnsRig::Unavailable() {
  static std::once_flag once;
  static std::string why;
  std::call_once(once, [] {
    why = RunRig({"check"});
    if (why.empty()) RunRig({"sweep"});  // rigs left by test processes that died before removing them
  });
  return why;
}

NetnsRig::NetnsRig(int robots) {
  static std::atomic<int> counter{0};
  m_name = "caltrim-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
  m_error = Unavailable();
  if (m_error.empty()) m_error = RunRig({"up", m_name, "--robots", std::to_string(robots)});
}

NetnsRig::~NetnsRig() {
  if (ok()) RunRig({"down", m_name});
}

std::string NetnsRig::NamespacePath(int role) const {
  return "/run/netns/" + m_name + (role == kStation ? "-st" : "-r" + std::to_string(role));
}

int NetnsRig::Socket(int role, int type) const {
  ScopedNetns inside(NamespacePath(role));
  return inside.ok() ? ::socket(AF_INET, type | SOCK_CLOEXEC, 0) : -1;
}

ScopedNetns::ScopedNetns(const std::string& netnsPath) {
  m_previousFd = ::open(kThreadNetns, O_RDONLY | O_CLOEXEC);
  const int target = ::open(netnsPath.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat mine {};
  struct stat wanted {};
  m_ok = m_previousFd >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0 &&
         ::stat(kThreadNetns, &mine) == 0 && ::stat(netnsPath.c_str(), &wanted) == 0 &&
         mine.st_dev == wanted.st_dev && mine.st_ino == wanted.st_ino;
  if (target >= 0) ::close(target);
}

ScopedNetns::~ScopedNetns() {
  if (m_previousFd < 0) return;
  ::setns(m_previousFd, CLONE_NEWNET);
  ::close(m_previousFd);
}
