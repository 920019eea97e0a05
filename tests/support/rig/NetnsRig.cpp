#include "support/rig/NetnsRig.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

const char kThreadNetns[] = "/proc/thread-self/ns/net";

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// True when the calling thread is in the network namespace of netnsPath.
bool ThreadInNetns(const std::string& netnsPath) {
  struct stat mine {};
  struct stat wanted {};
  if (::stat(kThreadNetns, &mine) != 0 || ::stat(netnsPath.c_str(), &wanted) != 0) return false;
  return mine.st_dev == wanted.st_dev && mine.st_ino == wanted.st_ino;
}

std::string NextRigName() {
  static std::atomic<int> counter{0};
  return "caltrim-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

}  // namespace

std::string NetnsRig::ScriptPath() { return CALTRIM_NETNS_RIG_SCRIPT; }

std::string NetnsRig::RobotAddress(int robot) { return "10.231.77." + std::to_string(10 + robot); }

std::string NetnsRig::Unavailable() {
  static std::once_flag once;
  static std::string why;
  std::call_once(once, [] {
    std::string output;
    const int status = RunCommand({ScriptPath(), "check"}, &output);
    if (status != 0) {
      why = Trimmed(output);
      if (why.empty()) why = "netns-rig check ended with status " + std::to_string(status);
      return;
    }
    // Rigs left by test processes that died before they could remove them.
    RunCommand({ScriptPath(), "sweep"}, &output);
  });
  return why;
}

NetnsRig::NetnsRig(int robots) : m_name(NextRigName()) {
  m_error = Unavailable();
  if (!m_error.empty()) return;
  std::string output;
  const int status = RunCommand({ScriptPath(), "up", m_name, "--robots", std::to_string(robots)}, &output);
  m_ok = status == 0;
  if (!m_ok) m_error = "netns-rig up " + m_name + " (status " + std::to_string(status) + "): " + Trimmed(output);
}

NetnsRig::~NetnsRig() {
  std::string ignored;
  if (m_ok) RunCommand({ScriptPath(), "down", m_name}, &ignored);
}

std::string NetnsRig::NamespacePath(int role) const {
  return "/run/netns/" + m_name + (role == kStation ? "-st" : "-r" + std::to_string(role));
}

int NetnsRig::Socket(int role, int type) const {
  ScopedNetns inside(NamespacePath(role));
  if (!inside.ok()) return -1;
  return ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
}

std::unique_ptr<ChildProcess> NetnsRig::Spawn(int role, const std::vector<std::string>& argv,
                                              std::string* error) const {
  return ChildProcess::Start(argv, NamespacePath(role), error);
}

ScopedNetns::ScopedNetns(const std::string& netnsPath) {
  m_previousFd = ::open(kThreadNetns, O_RDONLY | O_CLOEXEC);
  const int target = ::open(netnsPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (m_previousFd >= 0 && target >= 0 && ::setns(target, CLONE_NEWNET) == 0) {
    m_ok = ThreadInNetns(netnsPath);
  }
  if (target >= 0) ::close(target);
}

ScopedNetns::~ScopedNetns() {
  if (m_previousFd < 0) return;
  ::setns(m_previousFd, CLONE_NEWNET);
  ::close(m_previousFd);
}
