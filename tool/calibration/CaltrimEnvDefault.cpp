#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "calibration/CaltrimEnv.h"
#include "calibration/QtPrompt.h"

CaltrimEnv DefaultCaltrimEnv() {
  static QtPrompt prompt;
  CaltrimEnv env;
  env.createSession = [](CIZAVSocketSession** out) { return CreateZAVSocketSession(out); };
  env.createBroadcast = [](CIZAVBroadcastSocket** out) { return CreateZAVBroadcastSocket(out); };
  env.createUsbDetection = [](IZAVUsbDetection** out) { return CreateIZAVUsbDetection(out); };
  env.configPath = ZAVExeFolderFile(L"Config.ini");
  env.executablePath = RunningExecutablePath();
  env.prompt = &prompt;
  return env;
}
