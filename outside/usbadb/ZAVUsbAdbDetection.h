#pragma once

// ZAVUsbAdbDetection: finds a robot attached by USB, which shows itself as an Android Debug
// Bridge device, and makes its command port reachable on this host by driving the real `adb`
// program found on PATH. Every adb call is bounded by a time-out, so a hung adb never hangs a
// caller.

#include <string>

#include "platform/NotifyWindow.h"

#define ZAVUSBADB_API __attribute__((visibility("default")))

// States returned by IZAVUsbDetection::GetDeviceState.
constexpr int ZAV_USB_STATE_NO_DEVICE = 0;         // adb runs, no authorised device attached
constexpr int ZAV_USB_STATE_SERVER_DOWN = -1;      // the adb server does not answer; Recover()
constexpr int ZAV_USB_STATE_ADB_UNAVAILABLE = -7;  // adb is missing or cannot run
// Any value above 0: that many authorised devices are attached.

class IZAVUsbAdbEvent {
 public:
  virtual void OnUsbAdbEvent(unsigned int event) = 0;

 protected:
  ~IZAVUsbAdbEvent() = default;
};

class IZAVUsbDetection {
 public:
  virtual bool Init(int mode, IZAVUsbAdbEvent* sink, HWND owner) = 0;  // slot 0
  virtual void Release() = 0;                                          // slot 1
  virtual bool ForwardPort(int port) = 0;                              // slot 2
  // Slots 3, 4 and 6: see the implementation's header for their meaning.
  virtual bool RemoveForward(int port) = 0;                            // slot 3
  virtual std::string GetDeviceSerial() = 0;                           // slot 4
  virtual int GetDeviceState() = 0;                                    // slot 5
  virtual bool StopServer() = 0;                                       // slot 6
  virtual bool Recover() = 0;                                          // slot 7

 protected:
  ~IZAVUsbDetection() = default;
};

// Stores a new detection object in *out; false (and *out unchanged) when none can be made.
extern "C" ZAVUSBADB_API bool CreateIZAVUsbDetection(IZAVUsbDetection** out);
