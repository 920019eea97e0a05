#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/robot/FrameLog.h"

// The frames waiting to leave on one link, in the order they fall due: a reply held back (a slow
// servo) lets later ones pass it. A frame may go out in pieces some time apart; once its first
// piece has gone, no other frame's bytes come between its pieces.
class OutgoingFrames {
 public:
  struct Frame {
    std::int64_t dueMs = 0;          // when the next piece may go
    std::deque<std::string> pieces;  // what is left to write, in order
    int gapMs = 0;                   // between two pieces
    std::vector<std::string> lines;  // printed as the first piece starts to go out
  };
  enum class WriteResult { kIdle, kBlocked, kFailed };

  // Queues frame behind every frame due no later than it.
  void Add(Frame frame);

  // Writes to fd what is due at nowMs, printing each frame's lines to log. kBlocked when the
  // socket took less than was due (the rest goes when it can take more), kFailed on a send error
  // (errno tells which), kIdle otherwise.
  WriteResult WriteDue(int fd, std::int64_t nowMs, FrameLog* log);

  // When the next piece is due, or -1.
  std::int64_t NextDueMs() const { return m_frames.empty() ? -1 : m_frames.front().dueMs; }

  void Clear() { m_frames.clear(); }

 private:
  std::deque<Frame> m_frames;
  bool m_frontStarted = false;  // the front frame has begun to go out
};
