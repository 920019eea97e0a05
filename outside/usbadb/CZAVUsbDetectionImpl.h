#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "ZAVUsbAdbDetection.h"

namespace zavusbadb {

// How long each kind of adb call may take before it is killed.
struct AdbTimeouts {
  int queryMs = 5000;        // devices, forward, kill-server
  int startServerMs = 10000;  // start-server: the server may take a few seconds to come up
};

// IZAVUsbDetection on the real `adb` program found on PATH. Every call runs adb to its end on
// the caller's thread, bounded by its time-out.
class CZAVUsbDetectionImpl final : public IZAVUsbDetection {
 public:
  explicit CZAVUsbDetectionImpl(AdbTimeouts timeouts = {}, std::string program = "adb");

  bool Init(int mode, IZAVUsbAdbEvent* sink, HWND owner) override;
  void Release() override;
  bool ForwardPort(int port) override;
  bool RemoveForward(int port) override;
  std::string GetDeviceSerial() override;
  int GetDeviceState() override;
  bool StopServer() override;
  bool Recover() override;

 private:
  ~CZAVUsbDetectionImpl() = default;

  ProcessResult Adb(std::vector<std::string> args, int timeoutMs) const;
  bool AdbSucceeds(std::vector<std::string> args, int timeoutMs) const;
  void Notify(int state);

  const AdbTimeouts m_timeouts;
  const std::string m_program;
  std::mutex m_lock;  // guards the fields below
  int m_nMode = ZAV_USB_MODE_POLL;
  IZAVUsbAdbEvent* m_pSink = nullptr;
  bool m_bReported = false;
  int m_nLastState = 0;
};

}  // namespace zavusbadb
