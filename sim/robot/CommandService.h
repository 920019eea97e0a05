#pragma once

#include <poll.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "sim/robot/FrameAssembler.h"
#include "sim/robot/FrameLog.h"
#include "sim/robot/OutgoingFrames.h"
#include "sim/robot/RobotCommands.h"
#include "sim/robot/RobotState.h"
#include "sim/robot/SimOptions.h"

// The TCP side of the simulated robot: listens on port 6102, takes any number of links, answers
// each frame through HandleCommand, sends the robot's own heartbeat on every link, and applies
// the transport faults (silence, delay, stray bytes, small pieces, cut replies, closing or
// falling silent after N frames). The faults are read from the options at every use, so they
// may change between two calls.
class CommandService {
 public:
  static constexpr int kPort = 6102;

  CommandService(const SimOptions& options, RobotState* state, FrameLog* log);
  ~CommandService();
  CommandService(const CommandService&) = delete;
  CommandService& operator=(const CommandService&) = delete;

  bool Open(std::string* error);

  // Adds the descriptors to watch; Serve handles what poll reported for them.
  void AddPollFds(std::vector<pollfd>* fds) const;
  void Serve(const std::vector<pollfd>& fds, std::int64_t nowMs);
  // Queues the heartbeats that are due and writes the pieces that are due.
  void Flush(std::int64_t nowMs);
  // When the next piece or heartbeat is due, or -1.
  std::int64_t NextDueMs() const;
  // New faults are in force: the frames and replies that --close-after, --go-silent and
  // --cut-replies count are counted from now on, on every link.
  void RestartFaultCounts();

 private:
  struct Link {
    int fd = -1;
    std::string peer;
    FrameAssembler assembler;
    int frames = 0;   // since the link opened or the faults changed
    int replies = 0;  // likewise
    OutgoingFrames outgoing;
    std::int64_t nextHeartbeatMs = -1;  // -1: none
    bool closed = false;
    bool writeBlocked = false;  // the socket took less than was due
    bool silent = false;  // nothing more is read or written; closed once the peer closes
  };

  void Accept(std::int64_t nowMs);
  void Receive(Link* link, std::int64_t nowMs);
  void HandleFrames(Link* link, std::int64_t nowMs);
  void Reply(Link* link, const CommandOutcome& outcome, std::int64_t nowMs);
  void Schedule(Link* link, const std::string& frame, const std::string& what, std::int64_t dueMs);
  void GoSilent(Link* link, const std::string& reason, std::int64_t nowMs);
  void QueueHeartbeat(Link* link, std::int64_t nowMs);
  void WriteDue(Link* link, std::int64_t nowMs);
  void Close(Link* link, const std::string& reason);
  void SaveState();

  const SimOptions& m_options;
  RobotState* m_state;
  FrameLog* m_log;
  int m_listenFd = -1;
  std::list<Link> m_links;
};
