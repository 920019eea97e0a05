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

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv,
                                                  const std::string& netnsPath, std::string* error) {
  if (argv.empty()) return nullptr;
  std::string ignored;
  if (!error) error = &ignored;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int netnsFd = netnsPath.empty() ? -1 : ::open(netnsPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (!netnsPath.empty() && netnsFd < 0) {
    *error = netnsPath + ": " + std::strerror(errno);
    return nullptr;
  }
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    if (netnsFd >= 0) ::close(netnsFd);
    return nullptr;
  }
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {  // only async-signal-safe calls until exec
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(126);
    if (netnsFd >= 0 && ::setns(netnsFd, CLONE_NEWNET) != 0) ::_exit(125);
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::dup2(pipeFds[1], STDERR_FILENO);
    sigset_t none;  // the test may have blocked signals on its threads
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  if (pid < 0) *error = std::string("fork: ") + std::strerror(errno);
  if (netnsFd >= 0) ::close(netnsFd);
  ::close(pipeFds[1]);
  if (pid < 0) {
    ::close(pipeFds[0]);
    return nullptr;
  }
  return std::unique_ptr<ChildProcess>(new ChildProcess(pid, pipeFds[0]));
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
    if (got > 0) partial.append(buffer, static_cast<std::size_t>(got));
    std::lock_guard<std::mutex> hold(m_mutex);
    for (std::size_t newline; (newline = partial.find('\n')) != std::string::npos; partial.erase(0, newline + 1)) {
      m_lines.push_back(partial.substr(0, newline));
    }
    if (got <= 0 && !partial.empty()) m_lines.push_back(partial);
    m_changed.notify_all();
    if (got <= 0) return;
  }
}

bool ChildProcess::WaitForLines(const std::string& text, std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> hold(m_mutex);
  return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
    std::size_t n = 0;
    for (const std::string& line : m_lines) n += line.find(text) != std::string::npos;
    return n >= count;
  });
}

std::vector<std::string> ChildProcess::LinesWith(const std::string& text) {
  std::lock_guard<std::mutex> hold(m_mutex);
  std::vector<std::string> lines;
  for (const std::string& line : m_lines) {
    if (line.find(text) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

int ChildProcess::Wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (int status = 0; m_status < 0; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
    const pid_t done = ::waitpid(m_pid, &status, timeoutMs < 0 ? 0 : WNOHANG);
    if (done == m_pid) {
      m_status = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    } else if ((done < 0 && errno != EINTR) || (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline)) {
      break;
    }
  }
  return m_status;
}

int ChildProcess::Terminate(int timeoutMs) {
  if (Wait(0) >= 0) return m_status;
  ::kill(m_pid, SIGTERM);
  if (Wait(timeoutMs) >= 0) return m_status;
  ::kill(m_pid, SIGKILL);
  return Wait(-1);
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
