#include <charconv>
#include <set>

#include "calibration/rules/CalibrationModel.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/OffsetWrites.h"
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

}  // namespace

Outcome ReadOffsets(const CliOptions& options) {
  Outcome outcome = ServoOutcome();
  const std::vector<int> ids = CoveredServos(options, &outcome);
  if (ids.empty()) return outcome;
  RobotLink link;
  if (!ConnectRobot(options, &link, &outcome)) return outcome;
  const ServoReplies replies = ReadServoOffsets(&link, ids, std::chrono::seconds(options.timeoutSeconds));
  AddServoReplies(&outcome, ids, replies, "offset");
  return outcome;
}

Outcome WriteOffsets(const CliOptions& options) {
  Outcome outcome = ServoOutcome();
  std::vector<OffsetWrite> writes(options.assignments.size());
  std::set<int> ids;
  for (std::size_t i = 0; i < writes.size(); ++i) {
    std::string error;
    if (!ParseAssignment(options.assignments[i], &writes[i], &error)) {
      return outcome.Fail(kExitBadInput, error + "; nothing was sent");
    }
    // Which of two values a servo ends with would depend on the order of its answers, and a
    // backup with a servo twice is refused the same way.
    if (!ids.insert(writes[i].first).second) {
      return outcome.Fail(kExitBadInput, "\"" + options.assignments[i] + "\": servo " +
                                             std::to_string(writes[i].first) + " comes twice; nothing was sent");
    }
  }
  RobotLink link;
  if (!ConnectRobot(options, &link, &outcome)) return outcome;
  WriteServoOffsets(&link, writes, &outcome);
  return outcome;
}
