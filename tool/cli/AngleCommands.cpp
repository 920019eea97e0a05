#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/RobotTarget.h"
#include "cli/ServoExchange.h"
#include "cli/ServoList.h"

Outcome ReadAngles(const CliOptions& options, RobotTarget& robot) {
  Outcome outcome = OutcomeWithServos();
  const std::vector<int> ids = CoveredServos(options, &outcome);
  if (ids.empty() || !robot.Connect(&outcome)) return outcome;
  AddServoReplies(&outcome, ids, ReadServoAngles(&robot.Link(), &robot.Budget(), ids), "angle");
  return outcome;
}

Outcome ScanServos(const CliOptions& options, RobotTarget& robot) {
  Outcome outcome = OutcomeWithServos();
  std::string error;
  const std::vector<int> asked = options.ids.empty() ? ServoIds(options.maxId) : ParseServoList(options.ids, &error);
  if (!robot.Connect(&outcome)) return outcome;
  // A read of the angle moves nothing; a servo that is not there is refused or stays silent.
  const ServoReplies replies = ReadServoAngles(&robot.Link(), &robot.Budget(), asked);
  std::vector<int> answering;
  for (const int id : asked) {
    const auto reply = replies.byId.find(id);
    if (reply == replies.byId.end() || !reply->second.ok) continue;
    AddServo(&outcome, {id, "Ok", "angle", reply->second.value});
    answering.push_back(id);
  }
  outcome.report["ids"] = Json::Value(Json::arrayValue);
  for (const int id : answering) outcome.report["ids"].append(id);
  outcome.Line("ids=" + FormatServoList(answering));
  if (replies.lost) return outcome.Fail(kExitUnreachable, "the link to the robot was lost");
  if (answering.empty()) outcome.Fail(kExitRefused, "no servo answered among ids " + FormatServoList(asked));
  return outcome;
}
