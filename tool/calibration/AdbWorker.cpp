#include "calibration/AdbWorker.h"

#include "calibration/CalibrationMessages.h"

namespace {

void Report(IAdbWorkerHost* host, IZAVUsbDetection* detection, int state) {
  if (state > 0) {
    host->SetUsbReady(true);
    detection->ForwardPort(ZAV_ROBOT_PORT);
    host->PostUsbState(USB_ADB_READY);
  } else {
    host->SetUsbReady(false);
    host->PostUsbState(USB_ADB_NOT_READY);
  }
}

}  // namespace

void RunAdbWorker(IAdbWorkerHost* host) {
  {
    ZAVAutoLock hold(&host->WorkerLock());
    if (host->IsShuttingDown()) return;
    IZAVUsbDetection* detection = host->UsbDetection();
    if (detection == nullptr) {
      // Without a detection object there is no USB robot; saying so still ends the window's
      // wait, so the Connect button serves Wi-Fi instead of staying disabled for good.
      host->SetUsbReady(false);
      host->PostUsbState(USB_ADB_NOT_READY);
      return;
    }
    const int state = detection->GetDeviceState();
    if (state >= 0) {
      Report(host, detection, state);
      return;
    }
    if (state != ZAV_USB_STATE_ADB_UNAVAILABLE) {
      if (state == ZAV_USB_STATE_SERVER_DOWN) detection->Recover();
      Report(host, detection, detection->GetDeviceState());
      return;
    }
  }
  // The box waits for the operator without the lock: the window may have to wait for the lock
  // (shut-down, a device event) while the box needs it to go on.
  host->ShowModuleError();
  ZAVAutoLock hold(&host->WorkerLock());
  if (host->IsShuttingDown()) return;
  host->SetUsbReady(false);
  host->PostUsbState(USB_ADB_NOT_READY);
  // Released meanwhile with the robot's removal: nothing left to ask.
  if (IZAVUsbDetection* detection = host->UsbDetection()) {
    Report(host, detection, detection->GetDeviceState());
  }
}
