#include "ZAVUIBase.h"
#include "app/CCaltrimApp.h"
#include "app/FileVersion.h"
#include "calibration/CaltrimEnv.h"
#include "calibration/QtPrompt.h"
#include "calibration/usb/UdevUsbDeviceEvents.h"

CaltrimEnv DefaultCaltrimEnv() {
  static QtPrompt prompt;
  CaltrimEnv env;
  env.createSession = [](CIZAVSocketSession** out) { return CreateZAVSocketSession(out); };
  env.createBroadcast = [](CIZAVBroadcastSocket** out) { return CreateZAVBroadcastSocket(out); };
  env.createUsbDetection = [](IZAVUsbDetection** out) { return CreateIZAVUsbDetection(out); };
  env.createUsbDeviceEvents = [] { return std::make_unique<UdevUsbDeviceEvents>(); };
  env.configPath = CCaltrimApp::ConfigPath();
  env.executablePath = RunningExecutablePath();
  env.recordsFolder = GetWritableFolder(ZAV_WRITABLE_STATE);
  env.prompt = &prompt;
  return env;
}
