#include <chrono>
#include <thread>

#include "calibration/rules/ServoConfig.h"
#include "ZAVUIBase.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/RobotTarget.h"
#include "cli/RunRecording.h"
#include "cli/ServoExchange.h"

namespace {

// Reset moves each servo over this long, one servo after the other this far apart, as the
// window's Reset does.
constexpr int kResetTravelMs = 2000;
constexpr std::chrono::milliseconds kResetPause{50};

// The link carries no answer to a move: a read of each moved servo's angle, sent behind the
// moves, proves that they went out and that the servo answers. Its lines name the angle sent.
ServoReplies CheckMoves(RobotTarget& robot, const std::vector<int>& ids, const std::vector<int>& angles,
                        Outcome* outcome) {
  ServoReplies replies = ReadServoAngles(&robot.Link(), &robot.Budget(), ids);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    auto reply = replies.byId.find(ids[i]);
    if (reply != replies.byId.end()) reply->second.value = angles[i];
  }
  AddServoReplies(outcome, ids, replies, "angle");
  return replies;
}

// What a reset would move: the servos' angles now against their reference angles.
void ShowResetMoves(RobotTarget& robot, const std::vector<int>& ids, const std::vector<int>& angles, Outcome* outcome) {
  outcome->report["dryRun"] = true;
  const ServoReplies now = ReadServoAngles(&robot.Link(), &robot.Budget(), ids);
  AddServoReplies(outcome, ids, now, "angle");
  std::vector<std::pair<int, int>> references;
  for (std::size_t i = 0; i < ids.size(); ++i) references.emplace_back(ids[i], angles[i]);
  AddDifferences(outcome, references, now, "reference");
}

}  // namespace

Outcome Move(const CliOptions& options, RobotTarget& robot) {
  Outcome outcome = OutcomeWithServos();
  if (!robot.Connect(&outcome)) return outcome;
  robot.Link().Session().SocketSession_SetCurrentAngel(options.id, options.angle, options.ms);
  CheckMoves(robot, {options.id}, {options.angle}, &outcome);
  return outcome;
}

Outcome Reset(const CliOptions& options, RobotTarget& robot) {
  Outcome outcome = OutcomeWithServos();
  const std::wstring config = ConfigPath(options);
  const std::vector<int> ids = CoveredServos(options, &outcome);
  if (ids.empty()) return outcome;
  std::vector<int> angles;
  for (const int id : ids) {
    // A missing key would send the servo to angle 0, a value beyond 0..240 somewhere it cannot
    // go: the robot is not touched at all.
    const std::optional<int> angle = ConfigReferenceAngle(config, id);
    if (!angle) {
      return outcome.Fail(kExitBadInput, ZAVNarrowToUtf8(config) + " has no reference angle " +
                                             ZAVNarrowToUtf8(ServoReferenceKeyName(id)) +
                                             " from 0 to 240 for servo " + std::to_string(id));
    }
    angles.push_back(*angle);
  }
  if (!robot.Connect(&outcome)) return outcome;
  if (options.dryRun) {
    ShowResetMoves(robot, ids, angles, &outcome);
    return outcome;
  }
  // A reset moves the servos and leaves their offsets as they are: the record keeps the angles
  // sent and their answers, and reads nothing more at the link's pace for it.
  RunRecording recording(options, robot, RunKind::kReset);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    robot.Link().Session().SocketSession_SetCurrentAngel(ids[i], angles[i], kResetTravelMs);
    std::this_thread::sleep_for(kResetPause);
  }
  const ServoReplies moved = CheckMoves(robot, ids, angles, &outcome);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    recording.AddServo(ids[i], std::nullopt, angles[i], ReplyResult(moved, ids[i]));
  }
  recording.Keep(&outcome);
  return outcome;
}
