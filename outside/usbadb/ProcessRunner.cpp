#include "ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

extern char** environ;

namespace zavusbadb {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxOutput = 1 << 20;

// Owns a pipe's read end and the spawn attributes while a child runs.
class Spawn {
 public:
  ~Spawn() {
    if (m_readFd >= 0) ::close(m_readFd);
  }

  // Starts argv in a process group of its own; false with errno-like code in *error on failure.
  bool Start(const std::vector<std::string>& argv, pid_t* pid, int* error) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
      *error = errno;
      return false;
    }
    m_readFd = fds[0];
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    *error = ::posix_spawnp(pid, args[0], &actions, &attr, args.data(), environ);

    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    return *error == 0;
  }

  enum class Drained { kData, kIdle, kEnd };

  // Appends whatever can be read within waitMs.
  Drained Drain(std::string* output, int waitMs) {
    if (m_readFd < 0) return Drained::kEnd;
    pollfd pfd{m_readFd, POLLIN, 0};
    if (::poll(&pfd, 1, waitMs) <= 0) return Drained::kIdle;
    char buffer[4096];
    const ssize_t n = ::read(m_readFd, buffer, sizeof buffer);
    if (n > 0) {
      // adb's answers are a few lines; a runaway program must not eat the memory.
      const std::size_t room = kMaxOutput - std::min(kMaxOutput, output->size());
      output->append(buffer, std::min(room, static_cast<std::size_t>(n)));
      return Drained::kData;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return Drained::kIdle;
    ::close(m_readFd);
    m_readFd = -1;
    return Drained::kEnd;
  }

 private:
  int m_readFd = -1;
};

// Reaps pid without blocking; true when it has ended, with its status in *status.
bool Reaped(pid_t pid, int* status) {
  for (;;) {
    const pid_t r = ::waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r == 0) return false;
    if (errno != EINTR) return true;  // not our child any more: nothing left to wait for
  }
}

void KillAndReap(pid_t pid) {
  ::kill(-pid, SIGKILL);  // the group: a script's own children go with it
  ::kill(pid, SIGKILL);
  int status;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs) {
  ProcessResult result;
  if (argv.empty()) return result;
  Spawn spawn;
  pid_t pid = 0;
  int error = 0;
  if (!spawn.Start(argv, &pid, &error)) return result;

  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  for (;;) {
    if (Reaped(pid, &status)) break;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      KillAndReap(pid);
      result.status = ProcessResult::Status::kTimedOut;
      return result;
    }
    // Short polls: once the pipe is at its end (or held open by a background process) the
    // child's exit is still noticed promptly.
    const int wait = static_cast<int>(std::min<long long>(left, 20));
    if (spawn.Drain(&result.output, wait) == Spawn::Drained::kEnd) ::usleep(5000);
  }
  // Take what the program wrote before it ended, but stop at the first empty poll: a daemon it
  // left running may hold the pipe open for good.
  while (spawn.Drain(&result.output, 0) == Spawn::Drained::kData) {
  }
  if (WIFEXITED(status)) {
    result.status = ProcessResult::Status::kExited;
    result.exitCode = WEXITSTATUS(status);
  } else {
    result.status = ProcessResult::Status::kKilled;
  }
  return result;
}

}  // namespace zavusbadb
