#pragma once

#include <chrono>
#include <map>
#include <vector>

#include "cli/Outcome.h"
#include "cli/RobotLink.h"

// Servo commands that go out back to back and the wait for their answers, matched by servo id.

struct ServoReplies {
  std::map<int, RobotLink::Event> byId;  // the first answer of each servo asked
  bool lost = false;                     // the link ended before every answer was in
};

// Waits for one answer of kind from each servo of ids. Ends when all are in, when the link ends,
// or when no answer has come for idle (so a long list is not cut short by the link's pacing).
// Answers of other kinds and of servos not asked are passed over.
ServoReplies AwaitServoReplies(RobotLink* link, RobotLink::Event::Kind kind,
                               const std::vector<int>& ids, std::chrono::milliseconds idle);

// Asks each servo of ids for its calibration offset and awaits the answers.
ServoReplies ReadServoOffsets(RobotLink* link, const std::vector<int>& ids,
                              std::chrono::milliseconds idle);

// One servo line per id of ids from the answers (name the quantity their value is): "Ok" with
// the value, "Failed", or "no reply". Fails the outcome as unreachable when the link was lost.
void AddServoReplies(Outcome* outcome, const std::vector<int>& ids, const ServoReplies& replies,
                     const char* name);

// Servo ids 1..count.
std::vector<int> ServoIds(int count);
