#pragma once

// The equipment service client's double for the serial number window; the session and the boxes
// are the calibration tests' doubles. Each is used by one thread at a time: the test joins or
// waits for the others.

#include <atomic>
#include <thread>
#include <vector>

#include "provisioning/CHttpOper.h"
#include "tool/calibration/LinkDoubles.h"

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
