#include "sim/robot/RobotServer.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sim/robot/SimClock.h"

RobotServer::RobotServer(const SimOptions& options, FrameLog* log)
    : m_options(options),
      m_log(log),
      m_state(m_options),
      m_commands(m_options, &m_state, log),
      m_discovery(m_options, log) {}

RobotServer::~RobotServer() {
  if (m_signalFd >= 0) ::close(m_signalFd);
}

bool RobotServer::Open(std::string* error) {
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGINT);
  ::sigprocmask(SIG_BLOCK, &stops, nullptr);
  m_signalFd = ::signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK);
  if (m_signalFd < 0) {
    *error = std::string("signalfd: ") + std::strerror(errno);
    return false;
  }
  if (!m_options.stateFile.empty()) {
    if (!m_state.Load(m_options.stateFile, error)) return false;
    if (!m_state.Save(m_options.stateFile, error)) return false;
  }
  if (!m_options.controlPipe.empty() && !m_control.Open(m_options.controlPipe, error)) return false;
  return m_commands.Open(error) && m_discovery.Open(error);
}

void RobotServer::ApplyFaultLine(const std::string& line) {
  Faults faults;
  std::string error;
  if (!ParseFaultLine(line, &faults, &error)) {
    m_log->Line("ERROR control: " + error);
    return;
  }
  m_options.faults = faults;
  m_commands.RestartFaultCounts();
  m_log->Line("FAULTS " + line);
}

int RobotServer::PollTimeoutMs(std::int64_t nowMs) const {
  std::int64_t next = -1;
  for (const std::int64_t due : {m_commands.NextDueMs(), m_discovery.NextDueMs()}) {
    if (due >= 0 && (next < 0 || due < next)) next = due;
  }
  if (next < 0) return -1;
  return static_cast<int>(std::clamp<std::int64_t>(next - nowMs, 0, 60000));
}

void RobotServer::Run() {
  m_log->Line("READY " + m_options.name);
  for (;;) {
    std::vector<pollfd> fds{pollfd{m_signalFd, POLLIN, 0}};
    m_commands.AddPollFds(&fds);
    m_discovery.AddPollFds(&fds);
    m_control.AddPollFds(&fds);
    const int ready = ::poll(fds.data(), fds.size(), PollTimeoutMs(SimNowMs()));
    if (ready < 0 && errno != EINTR) {
      m_log->Line(std::string("ERROR poll: ") + std::strerror(errno));
      return;
    }
    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info{};
      const ssize_t got = ::read(m_signalFd, &info, sizeof info);
      m_log->Line(std::string("EXIT on ") + (got > 0 && info.ssi_signo == SIGINT ? "SIGINT" : "SIGTERM"));
      return;
    }
    const std::int64_t now = SimNowMs();
    if (ready > 0) {
      for (const std::string& line : m_control.ReadLines(fds)) ApplyFaultLine(line);
      m_commands.Serve(fds, now);
      m_discovery.Serve(fds);
    }
    m_commands.Flush(SimNowMs());
    m_discovery.Tick(SimNowMs());
  }
}
