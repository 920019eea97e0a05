#include "sim/robot/CommandService.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "codec/Frame.h"
#include "sim/robot/RobotCommands.h"

using namespace servolink;

namespace {

constexpr unsigned char kStrayByte = 0xEE;

std::string PeerText(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

}  // namespace

CommandService::CommandService(const SimOptions& options, RobotState* state, FrameLog* log)
    : m_options(options), m_state(state), m_log(log) {}

CommandService::~CommandService() {
  for (Link& link : m_links) {
    if (!link.closed) ::close(link.fd);
  }
  if (m_listenFd >= 0) ::close(m_listenFd);
}

bool CommandService::Open(std::string* error) {
  m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (m_listenFd < 0) {
    *error = std::string("tcp socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(kPort);
  ::inet_pton(AF_INET, m_options.address.c_str(), &address.sin_addr);
  if (::bind(m_listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(m_listenFd, 8) != 0) {
    *error = "tcp " + m_options.address + ":" + std::to_string(kPort) + ": " + std::strerror(errno);
    return false;
  }
  m_log->Line("LISTEN tcp " + m_options.address + ":" + std::to_string(kPort));
  return true;
}

void CommandService::AddPollFds(std::vector<pollfd>* fds) const {
  fds->push_back(pollfd{m_listenFd, POLLIN, 0});
  for (const Link& link : m_links) {
    // A silent link is only watched for the peer's end.
    const short events = link.silent ? POLLRDHUP : static_cast<short>(POLLIN | (link.writeBlocked ? POLLOUT : 0));
    fds->push_back(pollfd{link.fd, events, 0});
  }
}

void CommandService::Serve(const std::vector<pollfd>& fds, std::int64_t nowMs) {
  for (const pollfd& fd : fds) {
    if (fd.revents == 0) continue;
    if (fd.fd == m_listenFd) {
      Accept(nowMs);
      continue;
    }
    for (Link& link : m_links) {
      if (link.fd != fd.fd || link.closed) continue;
      if (link.silent) {
        Close(&link, "peer closed the silent link");
        continue;
      }
      if (fd.revents & POLLOUT) WriteDue(&link, nowMs);
      if (!link.closed && (fd.revents & (POLLIN | POLLHUP | POLLERR))) Receive(&link, nowMs);
    }
  }
  m_links.remove_if([](const Link& link) { return link.closed; });
}

void CommandService::Accept(std::int64_t nowMs) {
  sockaddr_in peer{};
  socklen_t size = sizeof peer;
  const int fd = ::accept4(m_listenFd, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return;
  // Each write is to leave as its own segment, so that pieces arrive as pieces.
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  Link& link = m_links.emplace_back();
  link.fd = fd;
  link.peer = PeerText(peer);
  if (m_options.heartbeatMs > 0) link.nextHeartbeatMs = nowMs + m_options.heartbeatMs;
  m_log->Line("CONNECT tcp " + link.peer);
}

void CommandService::Receive(Link* link, std::int64_t nowMs) {
  char buffer[4096];
  const ssize_t received = ::recv(link->fd, buffer, sizeof buffer, 0);
  if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  if (received <= 0) {
    Close(link, received == 0 ? "peer closed" : std::string("error ") + std::strerror(errno));
    return;
  }
  link->assembler.Append(buffer, static_cast<std::size_t>(received));
  HandleFrames(link, nowMs);
}

void CommandService::HandleFrames(Link* link, std::int64_t nowMs) {
  std::string bytes;
  std::string payload;
  std::string dropped;
  for (;;) {
    const FrameAssembler::Result result = link->assembler.Next(&bytes, &payload);
    if (result == FrameAssembler::Result::kDropped) {
      dropped += bytes;
      continue;
    }
    if (!dropped.empty()) {
      m_log->Frame("RECV", "tcp", link->peer, "stray " + std::to_string(dropped.size()) + " bytes", dropped);
      dropped.clear();
    }
    if (result == FrameAssembler::Result::kNeedMore) return;

    ++link->frames;
    const Faults& faults = m_options.faults;
    const CommandOutcome outcome = HandleCommand(payload, m_state, faults, nowMs);
    m_log->Frame("RECV", "tcp", link->peer, outcome.request, bytes);
    if (outcome.stateChanged) SaveState();
    const std::string after = "after " + std::to_string(link->frames) + " frames";
    if (faults.closeAfterFrames > 0 && link->frames >= faults.closeAfterFrames) {
      Close(link, after);
      return;
    }
    if (faults.silentAfterFrames > 0 && link->frames >= faults.silentAfterFrames) {
      GoSilent(link, after, nowMs);
      return;
    }
    if (outcome.hasReply) {
      Reply(link, outcome, nowMs);
      if (link->silent) return;
    }
  }
}

void CommandService::Reply(Link* link, const CommandOutcome& outcome, std::int64_t nowMs) {
  const Faults& faults = m_options.faults;
  const std::string frame = BuildFrame(outcome.replyPayload);
  const bool slow = faults.slowServos.Contains(outcome.servoId);
  const std::int64_t dueMs = nowMs + (slow ? faults.replyDelayMs : 0);
  ++link->replies;
  if (faults.cutEvery <= 0 || link->replies % faults.cutEvery != 0) {
    Schedule(link, frame, outcome.reply, dueMs);
    return;
  }
  const std::string half = frame.substr(0, frame.size() / 2);
  const std::string what = outcome.reply + " (cut after " + std::to_string(half.size()) + " of " +
                           std::to_string(frame.size()) + " bytes)";
  if (!faults.cutThenSilent) {
    Schedule(link, half, what, dueMs);
    return;
  }
  // The half goes right after what is due already, and nothing after it.
  WriteDue(link, nowMs);
  if (link->closed) return;
  m_log->Line("SEND tcp " + link->peer + " " + what + " | " + FrameLog::Hex(half));
  ::send(link->fd, half.data(), half.size(), MSG_NOSIGNAL);
  GoSilent(link, "after a cut reply", nowMs);
}

void CommandService::GoSilent(Link* link, const std::string& reason, std::int64_t nowMs) {
  // What is due has been answered already; what is held back never leaves.
  WriteDue(link, nowMs);
  if (link->closed) return;
  link->silent = true;
  link->outgoing.Clear();
  link->nextHeartbeatMs = -1;
  link->writeBlocked = false;
  m_log->Line("SILENT tcp " + link->peer + " " + reason);
}

void CommandService::RestartFaultCounts() {
  for (Link& link : m_links) {
    link.frames = 0;
    link.replies = 0;
  }
}

void CommandService::Schedule(Link* link, const std::string& frame, const std::string& what,
                              std::int64_t dueMs) {
  const Faults& faults = m_options.faults;
  OutgoingFrames::Frame reply;
  reply.dueMs = dueMs;
  reply.gapMs = faults.splitGapMs;
  std::string stray;
  if (faults.strayBytes > 0) {
    stray.assign(static_cast<std::size_t>(faults.strayBytes), static_cast<char>(kStrayByte));
    reply.lines.push_back("SEND tcp " + link->peer + " stray " + std::to_string(stray.size()) + " bytes | " +
                          FrameLog::Hex(stray));
  }
  std::string line = "SEND tcp " + link->peer + " " + what;
  if (faults.splitBytes > 0) line += " (in pieces of " + std::to_string(faults.splitBytes) + ")";
  reply.lines.push_back(line + " | " + FrameLog::Hex(frame));

  if (faults.splitBytes <= 0) {
    reply.pieces.push_back(stray + frame);
  } else {
    // The stray bytes go out as a piece of their own, ahead of the frame's pieces.
    if (!stray.empty()) reply.pieces.push_back(stray);
    const auto piece = static_cast<std::size_t>(faults.splitBytes);
    for (std::size_t offset = 0; offset < frame.size(); offset += piece) {
      reply.pieces.push_back(frame.substr(offset, piece));
    }
  }
  link->outgoing.Add(std::move(reply));
}

void CommandService::QueueHeartbeat(Link* link, std::int64_t nowMs) {
  OutgoingFrames::Frame heartbeat;
  heartbeat.dueMs = nowMs;
  heartbeat.pieces.push_back(BuildHeartbeatFrame());
  heartbeat.lines.push_back("SEND tcp " + link->peer + " heartbeat | " + FrameLog::Hex(heartbeat.pieces.front()));
  link->outgoing.Add(std::move(heartbeat));
  // One a period; after a stall the period starts again rather than catching up in a burst.
  link->nextHeartbeatMs += m_options.heartbeatMs;
  if (link->nextHeartbeatMs <= nowMs) link->nextHeartbeatMs = nowMs + m_options.heartbeatMs;
}

void CommandService::Flush(std::int64_t nowMs) {
  for (Link& link : m_links) {
    if (link.closed || link.silent) continue;
    if (link.nextHeartbeatMs >= 0 && link.nextHeartbeatMs <= nowMs) QueueHeartbeat(&link, nowMs);
    WriteDue(&link, nowMs);
  }
  m_links.remove_if([](const Link& link) { return link.closed; });
}

void CommandService::WriteDue(Link* link, std::int64_t nowMs) {
  const OutgoingFrames::WriteResult result = link->outgoing.WriteDue(link->fd, nowMs, m_log);
  link->writeBlocked = result == OutgoingFrames::WriteResult::kBlocked;
  if (result == OutgoingFrames::WriteResult::kFailed) Close(link, std::string("send error ") + std::strerror(errno));
}

std::int64_t CommandService::NextDueMs() const {
  std::int64_t next = -1;
  for (const Link& link : m_links) {
    if (link.closed) continue;
    for (const std::int64_t due : {link.outgoing.NextDueMs(), link.nextHeartbeatMs}) {
      if (due >= 0 && (next < 0 || due < next)) next = due;
    }
  }
  return next;
}

void CommandService::Close(Link* link, const std::string& reason) {
  if (link->closed) return;
  ::close(link->fd);
  link->closed = true;
  link->outgoing.Clear();
  m_log->Line("CLOSE tcp " + link->peer + " " + reason);
}

void CommandService::SaveState() {
  if (m_options.stateFile.empty()) return;
  std::string error;
  if (!m_state->Save(m_options.stateFile, &error)) m_log->Line("ERROR " + error);
}
