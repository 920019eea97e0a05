#include <charconv>
#include <set>

#include "calibration/rules/CalibrationModel.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/OffsetWrites.h"
#include "cli/RobotTarget.h"
#include "cli/RunRecording.h"
#include "cli/ServoExchange.h"

namespace {

bool ParseInt(const std::string& text, int* value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, *value);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

// "ID=VALUE": a servo id 1..255 and an offset the servo accepts. False with *error naming text.
bool ParseAssignment(const std::string& text, OffsetWrite* write, std::string* error) {
  const std::size_t equals = text.find('=');
  if (equals == std::string::npos || !ParseInt(text.substr(0, equals), &write->first) ||
      !ParseInt(text.substr(equals + 1), &write->second)) {
    *error = "\"" + text + "\" is not ID=VALUE";
    return false;
  }
  if (write->first < 1 || write->first > 255) {
    *error = "\"" + text + "\": servo id " + std::to_string(write->first) + " is not 1..255";
    return false;
  }
  if (!IsWritableOffset(write->second)) {
    *error = "\"" + text + "\": offset " + std::to_string(write->second) + " is outside " +
             std::to_string(kMinCaliOffset) + ".." + std::to_string(kMaxCaliOffset);
    return false;
  }
  return true;
}

// The assignments of the command line. False, with the outcome failed as bad input, when one is
// malformed or names a servo named before.
bool ParseAssignments(const std::vector<std::string>& assignments, std::vector<OffsetWrite>* writes,
                      Outcome* outcome) {
  writes->resize(assignments.size());
  std::set<int> ids;
  for (std::size_t i = 0; i < writes->size(); ++i) {
    std::string error;
    if (!ParseAssignment(assignments[i], &(*writes)[i], &error)) {
      outcome->Fail(kExitBadInput, error + "; nothing was sent");
      return false;
    }
    // Which of two values a servo ends with would depend on the order of its answers, and a
    // backup with a servo twice is refused the same way.
    if (!ids.insert((*writes)[i].first).second) {
      outcome->Fail(kExitBadInput, "\"" + assignments[i] + "\": servo " + std::to_string((*writes)[i].first) +
                                       " comes twice; nothing was sent");
      return false;
    }
  }
  return true;
}

std::vector<int> Ids(const std::vector<OffsetWrite>& writes) {
  std::vector<int> ids;
  for (const auto& write : writes) ids.push_back(write.first);
  return ids;
}

}  // namespace

Outcome ReadOffsets(const CliOptions& options, RobotTarget& robot) {
  Outcome outcome = OutcomeWithServos();
  const std::vector<int> ids = CoveredServos(options, &outcome);
  if (ids.empty() || !robot.Connect(&outcome)) return outcome;
  AddServoReplies(&outcome, ids, ReadServoOffsets(&robot.Link(), &robot.Budget(), ids), "offset");
  return outcome;
}

Outcome WriteOffsets(const CliOptions& options, RobotTarget& robot) {
  Outcome outcome = OutcomeWithServos();
  std::vector<OffsetWrite> writes;
  if (!ParseAssignments(options.assignments, &writes, &outcome) || !robot.Connect(&outcome)) return outcome;
  if (options.dryRun) {
    // What the writes would change: the servos' offsets now against the values given.
    outcome.report["dryRun"] = true;
    const std::vector<int> ids = Ids(writes);
    const ServoReplies now = ReadServoOffsets(&robot.Link(), &robot.Budget(), ids);
    AddServoReplies(&outcome, ids, now, "offset");
    AddDifferences(&outcome, writes, now, "write");
    return outcome;
  }
  RunRecording recording(options, robot, RunKind::kOffsetsWrite);
  const ServoReplies before =
      recording.On() ? ReadServoOffsets(&robot.Link(), &robot.Budget(), Ids(writes)) : ServoReplies{};
  if (before.lost) return outcome.Fail(kExitUnreachable, "the link to the robot was lost");
  const std::vector<std::string> results = WriteServoOffsets(&robot.Link(), &robot.Budget(), writes, &outcome);
  for (std::size_t i = 0; i < writes.size(); ++i) {
    recording.AddServo(writes[i].first, ReplyValue(before, writes[i].first), writes[i].second, results[i]);
  }
  recording.Keep(&outcome);
  return outcome;
}
