#include "CZAVUsbDetectionImpl.h"

#include <new>

#include "AdbDevices.h"

namespace zavusbadb {
namespace {

bool ValidPort(int port) { return port > 0 && port <= 65535; }

std::string Tcp(int port) { return "tcp:" + std::to_string(port); }

}  // namespace

CZAVUsbDetectionImpl::CZAVUsbDetectionImpl(AdbTimeouts timeouts, std::string program)
    : m_timeouts(timeouts), m_program(std::move(program)) {}

bool CZAVUsbDetectionImpl::Init(int mode, IZAVUsbAdbEvent* sink, HWND /*owner*/) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_nMode = mode;
  m_pSink = sink;
  m_bReported = false;
  return true;
}

void CZAVUsbDetectionImpl::Release() { delete this; }

bool CZAVUsbDetectionImpl::ForwardPort(int port) {
  if (!ValidPort(port)) return false;
  // adb refuses a forward that names no device while several are attached.
  std::vector<std::string> args{"forward", Tcp(port), Tcp(port)};
  const std::string serial = GetDeviceSerial();
  if (!serial.empty()) args.insert(args.begin(), {"-s", serial});
  return AdbSucceeds(std::move(args), m_timeouts.queryMs);
}

bool CZAVUsbDetectionImpl::RemoveForward(int port) {
  return ValidPort(port) && AdbSucceeds({"forward", "--remove", Tcp(port)}, m_timeouts.queryMs);
}

std::string CZAVUsbDetectionImpl::GetDeviceSerial() {
  const ProcessResult run = Adb({"devices"}, m_timeouts.queryMs);
  std::vector<AdbDevice> devices;
  if (run.status != ProcessResult::Status::kExited || run.exitCode != 0 ||
      !ParseAdbDevices(run.output, &devices)) {
    return {};
  }
  for (const AdbDevice& device : devices) {
    if (device.state == "device") return device.serial;
  }
  return {};
}

int CZAVUsbDetectionImpl::GetDeviceState() {
  const ProcessResult run = Adb({"devices"}, m_timeouts.queryMs);
  int state = ZAV_USB_STATE_SERVER_DOWN;
  std::vector<AdbDevice> devices;
  if (run.status == ProcessResult::Status::kCannotRun) {
    state = ZAV_USB_STATE_ADB_UNAVAILABLE;
  } else if (run.status == ProcessResult::Status::kExited && run.exitCode == 0 &&
             ParseAdbDevices(run.output, &devices)) {
    state = 0;
    for (const AdbDevice& device : devices) state += device.state == "device" ? 1 : 0;
  }
  Notify(state);
  return state;
}

bool CZAVUsbDetectionImpl::StopServer() { return AdbSucceeds({"kill-server"}, m_timeouts.queryMs); }

bool CZAVUsbDetectionImpl::Recover() {
  StopServer();  // fails harmlessly when no server runs
  return AdbSucceeds({"start-server"}, m_timeouts.startServerMs);
}

ProcessResult CZAVUsbDetectionImpl::Adb(std::vector<std::string> args, int timeoutMs) const {
  args.insert(args.begin(), m_program);
  return RunProcess(args, timeoutMs);
}

bool CZAVUsbDetectionImpl::AdbSucceeds(std::vector<std::string> args, int timeoutMs) const {
  const ProcessResult run = Adb(std::move(args), timeoutMs);
  return run.status == ProcessResult::Status::kExited && run.exitCode == 0;
}

void CZAVUsbDetectionImpl::Notify(int state) {
  IZAVUsbAdbEvent* sink = nullptr;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_nMode != ZAV_USB_MODE_NOTIFY || m_pSink == nullptr) return;
    if (m_bReported && m_nLastState == state) return;
    m_bReported = true;
    m_nLastState = state;
    sink = m_pSink;
  }
  sink->OnUsbAdbEvent(static_cast<unsigned int>(state));
}

}  // namespace zavusbadb

bool CreateIZAVUsbDetection(IZAVUsbDetection** out) {
  if (out == nullptr) return false;
  auto* detection = new (std::nothrow) zavusbadb::CZAVUsbDetectionImpl();
  if (detection == nullptr) return false;
  *out = detection;
  return true;
}
