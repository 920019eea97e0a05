#include "cli/CommandContext.h"

#include <iostream>

#include "ZAVUIBase.h"
#include "calibration/rules/ServoConfig.h"
#include "cli/ServoExchange.h"

std::wstring ConfigPath(const CliOptions& options) {
  if (!options.configPath.empty()) return ZAVWidenUtf8(options.configPath);
  return GetWritableFilePath(L"Config.ini", ZAV_WRITABLE_CONFIG);
}

std::vector<int> CoveredServos(const CliOptions& options, Outcome* outcome) {
  const std::vector<int> ids =
      ServoIds(options.servos > 0 ? options.servos : ConfigServoCount(ConfigPath(options)));
  if (ids.empty()) outcome->Fail(kExitBadInput, "no servos: ServoNum of Config.ini is 0 or missing; give --servos");
  return ids;
}

bool ConnectRobot(const CliOptions& options, RobotLink* link, Outcome* outcome) {
  Progress("connecting to " + options.robot + ":" + std::to_string(ZAV_ROBOT_PORT));
  if (link->Connect(options.robot, options.timeoutSeconds)) return true;
  outcome->Fail(kExitUnreachable, "cannot reach the robot at " + options.robot + ":" +
                                      std::to_string(ZAV_ROBOT_PORT));
  return false;
}

bool LinkStands(RobotLink* link, Outcome* outcome) {
  if (!link->Lost()) return true;
  outcome->Fail(kExitUnreachable, "the link to the robot was lost");
  return false;
}

void Progress(const std::string& text) { std::cerr << text << "\n"; }
