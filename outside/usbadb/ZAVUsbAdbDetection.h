#pragma once

// ZAVUsbAdbDetection: finds a robot attached by USB, which shows itself as an Android Debug
// Bridge device, and makes its command port reachable on this host by driving the real `adb`
// program found on PATH. Every adb call runs on the caller's thread and is bounded by a
// time-out (5 s; 10 s for starting the server): a hung adb is killed, with any process it
// started, and never hangs a caller.

#include <string>

#include "platform/NotifyWindow.h"

#define ZAVUSBADB_API __attribute__((visibility("default")))

// States returned by IZAVUsbDetection::GetDeviceState, from `adb devices`:
//   > 0  that many devices are attached and authorised (state "device"); the port of the first
//        can be forwarded.
//   0    adb answered with its device list and no device in it is ready: none attached, or
//        attached but still unauthorised or offline.
//   -1   adb exists but its server did not answer: `adb devices` failed, printed no device
//        list, or overran its time-out. Recover() restarts the server.
//   -7   adb is missing from PATH or cannot be executed.
constexpr int ZAV_USB_STATE_NO_DEVICE = 0;
constexpr int ZAV_USB_STATE_SERVER_DOWN = -1;
constexpr int ZAV_USB_STATE_ADB_UNAVAILABLE = -7;

// Modes of IZAVUsbDetection::Init.
constexpr int ZAV_USB_MODE_POLL = 2;    // the caller polls GetDeviceState; the sink is never called
constexpr int ZAV_USB_MODE_NOTIFY = 1;  // as POLL, and the sink also hears each change of state

class IZAVUsbAdbEvent {
 public:
  // In ZAV_USB_MODE_NOTIFY: the state GetDeviceState found (a value listed above, as unsigned),
  // when it differs from the one reported before. Called on the thread that called
  // GetDeviceState.
  virtual void OnUsbAdbEvent(unsigned int event) = 0;

 protected:
  ~IZAVUsbAdbEvent() = default;
};

class IZAVUsbDetection {
 public:
  // Slot 0. Keeps mode and sink (the sink must outlive the object; may be null); owner is not
  // used. Always true.
  virtual bool Init(int mode, IZAVUsbAdbEvent* sink, HWND owner) = 0;
  // Slot 1. Destroys the object. Forwards it set up stay in place.
  virtual void Release() = 0;
  // Slot 2. `adb -s <serial> forward tcp:<port> tcp:<port>` for the first ready device that
  // `adb devices` lists (without -s when it lists none): afterwards a TCP connection to
  // 127.0.0.1:port on this host reaches port on that device. With several robots attached the
  // others stay unreachable. True when adb reports success; false for a port outside 1-65535.
  virtual bool ForwardPort(int port) = 0;
  // Slot 3. `adb forward --remove tcp:<port>`: undoes ForwardPort. True when adb reports
  // success.
  virtual bool RemoveForward(int port) = 0;
  // Slot 4. The serial number of the first ready device; empty when there is none or adb fails.
  virtual std::string GetDeviceSerial() = 0;
  // Slot 5. The state, as listed above.
  virtual int GetDeviceState() = 0;
  // Slot 6. `adb kill-server`: ends the adb server (forwards end with it). True on success.
  virtual bool StopServer() = 0;
  // Slot 7. Restarts the adb server (`adb kill-server`, then `adb start-server`). True when the
  // server started.
  virtual bool Recover() = 0;

 protected:
  ~IZAVUsbDetection() = default;
};

// Stores a new detection object in *out; false (and *out unchanged) when none can be made.
extern "C" ZAVUSBADB_API bool CreateIZAVUsbDetection(IZAVUsbDetection** out);
