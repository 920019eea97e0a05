#include <array>

#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "calibration/CaltrimEnv.h"
#include "calibration/QtPrompt.h"

namespace {

std::wstring ExecutableFolderFile(const wchar_t* name) {
  std::array<wchar_t, 1024> path{};
  GetFileNameFromExePath(name, path.data(), path.size());
  return path.data();
}

}  // namespace

CaltrimEnv DefaultCaltrimEnv() {
  static QtPrompt prompt;
  CaltrimEnv env;
  env.createSession = [](CIZAVSocketSession** out) { return CreateZAVSocketSession(out); };
  env.createBroadcast = [](CIZAVBroadcastSocket** out) { return CreateZAVBroadcastSocket(out); };
  env.createUsbDetection = [](IZAVUsbDetection** out) { return CreateIZAVUsbDetection(out); };
  env.configPath = ExecutableFolderFile(L"Config.ini");
  env.executablePath = RunningExecutablePath();
  env.prompt = &prompt;
  return env;
}
