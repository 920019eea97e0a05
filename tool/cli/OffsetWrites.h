#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/Outcome.h"
#include "cli/RobotLink.h"
#include "cli/SilenceBudget.h"

// Writing calibration offsets by the window's Calibrate rules (calibration/rules): the writes go
// out back to back, each recorded as pending before it is sent; each answer takes the first
// pending write of its servo; the run ends with its last answer or kCaliTimeoutMs after it began.
// Within that, the command's budget of silence (SilenceBudget) ends it sooner: it does not wait
// for servos known to be silent, nor longer than the budget allows without an answer.
// Values must be writable (IsWritableOffset): the callers refuse others before anything is sent.

using OffsetWrite = std::pair<int, int>;  // (servo id, offset)

// Writes each pair and adds one servo line per pair, in order: "Ok", "Failed" or "no reply", with
// the value sent. Fails the outcome as unreachable when the link was lost. The results, in order.
std::vector<std::string> WriteServoOffsets(RobotLink* link, SilenceBudget* budget,
                                           const std::vector<OffsetWrite>& writes, Outcome* outcome);
