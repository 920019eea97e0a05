#pragma once

#include <cstdint>
#include <string>

#include "sim/robot/RobotState.h"
#include "sim/robot/SimOptions.h"

// The robot's command service, apart from any transport: one received payload in, at most one
// reply payload out.

struct CommandOutcome {
  bool hasReply = false;
  std::string replyPayload;   // the payload of the reply frame (without its header)
  std::string request;        // what arrived, in words, for the frame log
  std::string reply;          // what is answered, in words
  bool stateChanged = false;  // an offset, an angle or the serial number was stored
  int servoId = -1;           // the servo the command was for; -1 for any other frame
};

// Handles one frame's payload at nowMs; an empty payload is the heartbeat, which is accepted
// and not answered. The faults decide refusals, failures and the commands a silent servo leaves
// undone; the transport applies the rest of them (silence, delays, pieces, stray bytes, closing).
CommandOutcome HandleCommand(const std::string& payload, RobotState* state, const Faults& faults,
                             std::int64_t nowMs);

// The info a servo reports for command 0x0E after status and id: model and firmware bytes.
constexpr std::uint8_t kServoModel = 0x01;
constexpr std::uint8_t kServoFirmware = 0x0A;
