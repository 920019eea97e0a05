#include "cli/CommandContext.h"

#include <atomic>
#include <iostream>

#include "ZAVUIBase.h"
#include "calibration/rules/ServoConfig.h"
#include "cli/ServoExchange.h"
#include "cli/ServoList.h"

namespace {

std::atomic<bool> g_quiet{false};

}  // namespace

std::wstring ConfigPath(const CliOptions& options) {
  if (!options.configPath.empty()) return ZAVWidenUtf8(options.configPath);
  return GetWritableFilePath(L"Config.ini", ZAV_WRITABLE_CONFIG);
}

std::vector<int> CoveredServos(const CliOptions& options, Outcome* outcome) {
  std::string error;
  if (!options.ids.empty()) return ParseServoList(options.ids, &error);  // checked by the parser
  const std::vector<int> ids =
      ServoIds(options.servos > 0 ? options.servos : ConfigServoCount(ConfigPath(options)));
  if (ids.empty()) {
    outcome->Fail(kExitBadInput, "no servos: ServoNum of " + ZAVNarrowToUtf8(ConfigPath(options)) +
                                     " is 0 or missing; give --servos or --ids");
  }
  return ids;
}

bool LinkStands(RobotLink* link, Outcome* outcome) {
  if (!link->Lost()) return true;
  outcome->Fail(kExitUnreachable, "the link to the robot was lost");
  return false;
}

void Progress(const std::string& text) {
  if (!g_quiet) std::cerr << text << "\n";
}

void SetQuiet(bool quiet) { g_quiet = quiet; }
