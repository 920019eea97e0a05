#pragma once

#include <functional>
#include <string>
#include <thread>

#include "ZAVServoSocket.h"
#include "ZAVUsbAdbDetection.h"

class ICaltrimPrompt;

// What the main calibration window takes from outside: the factories of the link objects, the
// files it reads and the prompt for message boxes. The program uses DefaultCaltrimEnv(); tests
// hand in doubles and files of their own.
struct CaltrimEnv {
  // Each stores a new object through its argument and returns true, as the library factories do.
  std::function<bool(CIZAVSocketSession**)> createSession;
  std::function<bool(CIZAVBroadcastSocket**)> createBroadcast;
  std::function<bool(IZAVUsbDetection**)> createUsbDetection;
  // Full path of Config.ini (section "Config": ServoNum, ID1..IDn).
  std::wstring configPath;
  // The window title shows this file's version.
  std::wstring executablePath;
  // Shows every message box of the windows; never null, not owned.
  ICaltrimPrompt* prompt = nullptr;
  // Starts a worker thread running body, or throws std::system_error as std::thread does when the
  // system has no thread to give. Empty: std::thread.
  std::function<std::thread(std::function<void()>)> startThread;
  // How long a calibration run waits for its replies (TIMER_CALI_TIMEOUT).
  int caliTimeoutMs = 6000;
};

// The real link library, the outside USB detection library, Config.ini beside the executable and
// QMessageBox prompts.
CaltrimEnv DefaultCaltrimEnv();
