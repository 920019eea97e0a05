#include "sim/robot/OutgoingFrames.h"

#include <sys/socket.h>

#include <cerrno>

void OutgoingFrames::Add(Frame frame) {
  auto at = m_frames.begin();
  if (m_frontStarted) ++at;
  while (at != m_frames.end() && at->dueMs <= frame.dueMs) ++at;
  m_frames.insert(at, std::move(frame));
}

OutgoingFrames::WriteResult OutgoingFrames::WriteDue(int fd, std::int64_t nowMs, FrameLog* log) {
  while (!m_frames.empty() && m_frames.front().dueMs <= nowMs) {
    Frame& frame = m_frames.front();
    if (!m_frontStarted) {
      for (const std::string& line : frame.lines) log->Line(line);
      m_frontStarted = true;
    }
    std::string& piece = frame.pieces.front();
    const ssize_t sent = ::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL);
    if (sent < 0) {
      return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? WriteResult::kBlocked
                                                                       : WriteResult::kFailed;
    }
    piece.erase(0, static_cast<std::size_t>(sent));
    if (!piece.empty()) return WriteResult::kBlocked;
    frame.pieces.pop_front();
    if (frame.pieces.empty()) {
      m_frames.pop_front();
      m_frontStarted = false;
    } else {
      frame.dueMs = nowMs + frame.gapMs;
    }
  }
  return WriteResult::kIdle;
}
