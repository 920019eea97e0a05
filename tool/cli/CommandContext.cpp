#include "cli/CommandContext.h"

#include <iostream>

#include "ZAVUIBase.h"
#include "calibration/rules/ServoConfig.h"

std::wstring ConfigPath(const CliOptions& options) {
  if (!options.configPath.empty()) return ZAVWidenUtf8(options.configPath);
  return GetWritableFilePath(L"Config.ini", ZAV_WRITABLE_CONFIG);
}

int ServoCount(const CliOptions& options) {
  return options.servos > 0 ? options.servos : ConfigServoCount(ConfigPath(options));
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
