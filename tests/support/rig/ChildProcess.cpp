#include "support/rig/ChildProcess.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

int StatusCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Forks a child that enters netnsFd (when >= 0), sends its output to the pipe and runs argv
// (argv[0] a path, or a name looked up on PATH). Only async-signal-safe calls happen between fork
// and exec.
pid_t Spawn(const std::vector<std::string>& argv, int netnsFd, int* outputFd, std::string* error) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    if (error) *error = std::string("pipe: ") + std::strerror(errno);
    return -1;
  }
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    if (error) *error = std::string("fork: ") + std::strerror(errno);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return -1;
  }
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(126);
    if (netnsFd >= 0 && ::setns(netnsFd, CLONE_NEWNET) != 0) ::_exit(125);
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::dup2(pipeFds[1], STDERR_FILENO);
    // The test may have blocked signals on its threads; the child starts with none blocked.
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  *outputFd = pipeFds[0];
  return pid;
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv,
                                                  const std::string& netnsPath, std::string* error) {
  if (argv.empty()) return nullptr;
  int netnsFd = -1;
  if (!netnsPath.empty()) {
    netnsFd = ::open(netnsPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (netnsFd < 0) {
      if (error) *error = netnsPath + ": " + std::strerror(errno);
      return nullptr;
    }
  }
  int outputFd = -1;
  const pid_t pid = Spawn(argv, netnsFd, &outputFd, error);
  if (netnsFd >= 0) ::close(netnsFd);
  if (pid < 0) return nullptr;
  return std::unique_ptr<ChildProcess>(new ChildProcess(pid, outputFd));
}

ChildProcess::ChildProcess(pid_t pid, int outputFd) : m_pid(pid), m_outputFd(outputFd) {
  m_reader = std::thread(&ChildProcess::ReadOutput, this);
}

ChildProcess::~ChildProcess() {
  Terminate();
  if (m_reader.joinable()) m_reader.join();
  ::close(m_outputFd);
}

void ChildProcess::ReadOutput() {
  std::string partial;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(m_outputFd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    partial.append(buffer, static_cast<std::size_t>(got));
    std::size_t newline;
    while ((newline = partial.find('\n')) != std::string::npos) {
      {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_lines.push_back(partial.substr(0, newline));
      }
      partial.erase(0, newline + 1);
      m_changed.notify_all();
    }
  }
  std::lock_guard<std::mutex> hold(m_mutex);
  if (!partial.empty()) m_lines.push_back(partial);
  m_changed.notify_all();
}

bool ChildProcess::WaitForLines(const std::string& text, std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> hold(m_mutex);
  return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
    std::size_t n = 0;
    for (const std::string& l : m_lines) n += l.find(text) != std::string::npos;
    return n >= count;
  });
}

std::vector<std::string> ChildProcess::Lines() {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_lines;
}

std::vector<std::string> ChildProcess::LinesWith(const std::string& text) {
  std::vector<std::string> lines;
  for (const std::string& line : Lines()) {
    if (line.find(text) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

int ChildProcess::Reap(bool block) {
  if (m_status >= 0) return m_status;
  int status = 0;
  const pid_t done = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
  if (done == m_pid) m_status = StatusCode(status);
  return m_status;
}

int ChildProcess::Wait(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Reap(false) < 0 && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return m_status;
}

int ChildProcess::Terminate(int timeoutMs) {
  if (Reap(false) >= 0) return m_status;
  ::kill(m_pid, SIGTERM);
  if (Wait(timeoutMs) >= 0) return m_status;
  ::kill(m_pid, SIGKILL);
  return Reap(true);
}

int RunCommand(const std::vector<std::string>& argv, std::string* output, int timeoutMs) {
  std::unique_ptr<ChildProcess> child = ChildProcess::Start(argv);
  if (!child) return -1;
  const int status = child->Wait(timeoutMs);
  child->Terminate(0);
  child->m_reader.join();
  if (output) {
    output->clear();
    for (const std::string& line : child->m_lines) *output += line + "\n";
  }
  return status;
}
