#pragma once

// Doubles of the session, the equipment service client and the message boxes for the serial
// number window. Each is used by one thread at a time: the test joins or waits for the others.

#include <QString>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ZAVServoSocket.h"
#include "calibration/CaltrimPrompt.h"
#include "provisioning/CHttpOper.h"

// Counts the reads and notes the writes; the rest answers true and does nothing.
class SnSession : public CIZAVSocketSession {
 public:
  bool StartConnect(const char*, int, HWND, IZAVSocketSessionEvent*) override { return true; }
  bool StopConnect() override { return true; }
  void Release() override {}
  bool SendData(const char*, int) override { return true; }
  bool SocketSession_ReadServoInfo(int) override { return true; }
  bool SocketSession_ReadServoCaliAngel(int) override { return true; }
  bool SocketSession_ReadCurrentAngel(int) override { return true; }
  bool SocketSession_SetCurrentAngel(int, int, int) override { return true; }
  bool SocketSession_SetCaliAngel(int, int) override { return true; }
  bool IsConnected() override { return true; }
  bool SocketSession_ReadSN() override { return ++reads > 0; }
  bool SocketSession_WriteSN(const std::string& sn) override {
    writes.push_back(sn);
    return true;
  }

  int reads = 0;
  std::vector<std::string> writes;
};

// Answers from its fields and notes the calls with the threads they ran on. While hold is set,
// verify waits (at most 3 s) for it to be cleared.
class FakeHttpOper : public CHttpOper {
 public:
  int VerifyEquipment(const std::wstring& serial) override {
    verifyThread = std::this_thread::get_id();
    for (int i = 0; hold && i < 3000; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    calls.push_back(L"verify " + serial);
    return verifyResult;
  }
  bool ConfirmEquipment(const std::wstring& serial, const std::wstring& mac) override {
    confirmThread = std::this_thread::get_id();
    calls.push_back(L"confirm " + serial + L" " + mac);
    return true;
  }

  int verifyResult = 1;
  std::atomic<bool> hold{false};
  std::thread::id verifyThread, confirmThread;
  std::vector<std::wstring> calls;
};

// Notes every box as its text and style, and answers OK.
class NotingPrompt : public ICaltrimPrompt {
 public:
  int Show(QWidget*, const QString& text, const QString&, unsigned int style) override {
    boxes.push_back({text, style});
    return IDOK;
  }
  std::vector<std::pair<QString, unsigned int>> boxes;
};
