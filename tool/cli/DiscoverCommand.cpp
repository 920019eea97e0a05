#include "ZAVUIBase.h"
#include "cli/Commands.h"
#include "cli/RobotSearch.h"

namespace {

void AddRobot(Outcome* outcome, const __DevInfo& robot) {
  Json::Value entry(Json::objectValue);
  entry["name"] = ZAVNarrowToUtf8(robot.strName);
  entry["version"] = ZAVNarrowToUtf8(robot.strVersion);
  entry["ip"] = ZAVNarrowToUtf8(robot.strIP);
  entry["mac"] = ZAVNarrowToUtf8(robot.strMAC);
  outcome->report["robots"].append(entry);
  outcome->Line(entry["name"].asString() + "\t" + entry["version"].asString() + "\t" +
                entry["ip"].asString() + "\t" + entry["mac"].asString());
}

}  // namespace

Outcome Discover(const CliOptions& options) {
  Outcome outcome;
  outcome.report["robots"] = Json::Value(Json::arrayValue);
  const std::vector<__DevInfo> robots = SearchRobots(options.seconds, &outcome);
  if (outcome.status != kExitOk) return outcome;
  for (const __DevInfo& robot : robots) AddRobot(&outcome, robot);
  if (robots.empty()) {
    outcome.Fail(kExitRefused, "no robot answered within " + std::to_string(options.seconds) + " s");
  }
  return outcome;
}
