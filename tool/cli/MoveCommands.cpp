#include <chrono>
#include <thread>

#include "calibration/rules/ServoConfig.h"
#include "ZAVUIBase.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/ServoExchange.h"

namespace {

// Reset moves each servo over this long, one servo after the other this far apart, as the
// window's Reset does.
constexpr int kResetTravelMs = 2000;
constexpr std::chrono::milliseconds kResetPause{50};

// The link carries no answer to a move: a read of each moved servo's angle, sent behind the
// moves, proves that they went out and that the servo answers. Its lines name the angle sent.
void CheckMoves(const CliOptions& options, RobotLink* link, const std::vector<int>& ids,
                const std::vector<int>& angles, Outcome* outcome) {
  for (const int id : ids) link->Session().SocketSession_ReadCurrentAngel(id);
  ServoReplies replies = AwaitServoReplies(link, RobotLink::Event::kAngleRead, ids,
                                           std::chrono::seconds(options.timeoutSeconds));
  for (std::size_t i = 0; i < ids.size(); ++i) {
    auto reply = replies.byId.find(ids[i]);
    if (reply != replies.byId.end()) reply->second.value = angles[i];
  }
  AddServoReplies(outcome, ids, replies, "angle");
}

}  // namespace

Outcome Move(const CliOptions& options) {
  Outcome outcome = ServoOutcome();
  RobotLink link;
  if (!ConnectRobot(options, &link, &outcome)) return outcome;
  link.Session().SocketSession_SetCurrentAngel(options.id, options.angle, options.ms);
  CheckMoves(options, &link, {options.id}, {options.angle}, &outcome);
  return outcome;
}

Outcome Reset(const CliOptions& options) {
  Outcome outcome = ServoOutcome();
  const std::wstring config = ConfigPath(options);
  const std::vector<int> ids = ServoIds(ConfigServoCount(config));
  if (ids.empty()) return outcome.Fail(kExitBadInput, "no servos: ServoNum of " + ZAVNarrowToUtf8(config) + " is 0 or missing");
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
  RobotLink link;
  if (!ConnectRobot(options, &link, &outcome)) return outcome;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    link.Session().SocketSession_SetCurrentAngel(ids[i], angles[i], kResetTravelMs);
    std::this_thread::sleep_for(kResetPause);
  }
  CheckMoves(options, &link, ids, angles, &outcome);
  return outcome;
}
