#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/rig/ChildProcess.h"

// A rig of scripts/netns-rig for one test: a station namespace (role 0) and robot namespaces
// (roles 1..N) joined on 10.231.77.0/24, made by the constructor and removed by the destructor.
// Discovery (binding 0.0.0.0:6000, broadcasting to 255.255.255.255) happens only inside it: the
// test enters the station with ScopedNetns around everything that makes sockets, and makes the
// robots' sockets with Socket() or runs programs there with Spawn().
class NetnsRig {
 public:
  static constexpr int kStation = 0;
  static constexpr const char* kStationAddress = "10.231.77.1";
  static std::string RobotAddress(int robot) { return "10.231.77." + std::to_string(10 + robot); }
  // Why no rig can be made here (not root, no namespaces), or empty. Asked once per process.
  static std::string Unavailable();

  explicit NetnsRig(int robots = 1);
  ~NetnsRig();
  NetnsRig(const NetnsRig&) = delete;
  NetnsRig& operator=(const NetnsRig&) = delete;

  bool ok() const { return m_error.empty(); }
  const std::string& error() const { return m_error; }
  // The namespace's file under /run/netns/.
  std::string NamespacePath(int role) const;
  // An IPv4 socket of the type (SOCK_CLOEXEC added) that lives in the role's namespace, or -1.
  int Socket(int role, int type) const;
  std::unique_ptr<ChildProcess> Spawn(int role, const std::vector<std::string>& argv,
                                      std::string* error = nullptr) const {
    return ChildProcess::Start(argv, NamespacePath(role), error);
  }

 private:
  std::string m_name;
  std::string m_error;
};

// Puts the calling thread into a network namespace for the life of the object, then back.
// Sockets and threads made meanwhile stay in the entered namespace for good.
class ScopedNetns {
 public:
  explicit ScopedNetns(const std::string& netnsPath);
  ~ScopedNetns();
  ScopedNetns(const ScopedNetns&) = delete;
  ScopedNetns& operator=(const ScopedNetns&) = delete;

  // True only when the thread is verified to be inside; nothing that broadcasts runs otherwise.
  bool ok() const { return m_ok; }

 private:
  int m_previousFd = -1;
  bool m_ok = false;
};

// Skips the current test, with the reason, when no rig can be made on this machine.
#define CALTRIM_SKIP_WITHOUT_RIG()                                                 \
  do {                                                                             \
    const std::string caltrimRigWhy = NetnsRig::Unavailable();                     \
    if (!caltrimRigWhy.empty()) GTEST_SKIP() << "no netns rig: " << caltrimRigWhy; \
  } while (0)
