#pragma once

#include <string>

#include "sim/robot/CommandService.h"
#include "sim/robot/ControlPipe.h"
#include "sim/robot/DiscoveryResponder.h"
#include "sim/robot/FrameLog.h"
#include "sim/robot/RobotState.h"
#include "sim/robot/SimOptions.h"

// One simulated robot: the command service, the discovery responder and the control pipe in one
// poll loop on one thread, ended by SIGTERM or SIGINT.
class RobotServer {
 public:
  RobotServer(const SimOptions& options, FrameLog* log);
  ~RobotServer();
  RobotServer(const RobotServer&) = delete;
  RobotServer& operator=(const RobotServer&) = delete;

  // Blocks SIGTERM and SIGINT for the calling thread (they are taken from a signalfd instead),
  // loads the state file, opens the sockets. Call before any other thread exists.
  bool Open(std::string* error);

  // Serves until a stop signal arrives; the state file is current at every moment.
  void Run();

 private:
  int PollTimeoutMs(std::int64_t nowMs) const;
  // Puts the fault switches of a control-pipe line in force.
  void ApplyFaultLine(const std::string& line);

  SimOptions m_options;
  FrameLog* m_log;
  RobotState m_state;
  CommandService m_commands;
  DiscoveryResponder m_discovery;
  ControlPipe m_control;
  int m_signalFd = -1;
};
