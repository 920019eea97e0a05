#pragma once

#include "ZAVCritSec.h"
#include "ZAVUsbAdbDetection.h"

// One run of the USB link worker: asks the detection object whether a robot is attached, forwards
// the robot's command port when it is, and reports the outcome to the main window.

// What the worker uses of the main window.
class IAdbWorkerHost {
 public:
  virtual ~IAdbWorkerHost() = default;
  // Held while the run uses the detection object, so that the window's shut-down and device
  // events wait for a run in progress; never while it waits for the operator.
  virtual ZAVCritSec& WorkerLock() = 0;
  // True once the window has begun to shut down: a late run then ends quietly.
  virtual bool IsShuttingDown() = 0;
  // The window's current detection object, or null.
  virtual IZAVUsbDetection* UsbDetection() = 0;
  virtual void SetUsbReady(bool ready) = 0;
  // Posts WM_USB_ADB_STATE with USB_ADB_READY or USB_ADB_NOT_READY.
  virtual void PostUsbState(WPARAM state) = 0;
  // Shows "ADB Module Error!" and returns when the operator has closed it.
  virtual void ShowModuleError() = 0;
};

// The run. Takes and releases host->WorkerLock() itself: for the whole run, except while
// "ADB Module Error!" is up, after which it asks the window's detection object of that moment.
void RunAdbWorker(IAdbWorkerHost* host);
