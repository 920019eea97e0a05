#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/Outcome.h"
#include "cli/RobotLink.h"
#include "cli/SilenceBudget.h"

// Servo commands that go out back to back and the wait for their answers, matched by servo id.

struct ServoReplies {
  std::map<int, RobotLink::Event> byId;  // the first answer of each servo asked
  bool lost = false;                     // the link ended before every answer was in
};

// Waits for one answer of kind from each servo of ids that budget does not know as silent. Ends
// when those are in, when the link ends, or when no answer has come for budget's allowance (so a
// long list is not cut short by the link's pacing); then the silence is spent and the servos
// still awaited are marked silent. An answer of a silent servo that comes meanwhile is taken.
// Answers of other kinds and of servos not asked are passed over.
ServoReplies AwaitServoReplies(RobotLink* link, SilenceBudget* budget, RobotLink::Event::Kind kind,
                               const std::vector<int>& ids);

// Asks each servo of ids for its calibration offset, or its current angle, and awaits the answers.
ServoReplies ReadServoOffsets(RobotLink* link, SilenceBudget* budget, const std::vector<int>& ids);
ServoReplies ReadServoAngles(RobotLink* link, SilenceBudget* budget, const std::vector<int>& ids);

// Servo id's answer in replies: "Ok", "Failed" or "no reply"; and its value, when it answered Ok.
std::string ReplyResult(const ServoReplies& replies, int id);
std::optional<int> ReplyValue(const ServoReplies& replies, int id);

// One servo line per id of ids from the answers (name the quantity their value is): "Ok" with
// the value, "Failed", or "no reply". Fails the outcome as unreachable when the link was lost.
void AddServoReplies(Outcome* outcome, const std::vector<int>& ids, const ServoReplies& replies,
                     const char* name);

// One line "differs servo ID robot=V NAME=W" and one entry {"id":ID,"robot":V,"NAME":W} of the
// report's "differences" for each servo of wanted (id, W) whose value read is not W, or could not
// be read (robot=none, "robot":null). The member is there, empty, when none differs.
void AddDifferences(Outcome* outcome, const std::vector<std::pair<int, int>>& wanted,
                    const ServoReplies& replies, const char* name);

// Servo ids 1..count.
std::vector<int> ServoIds(int count);
