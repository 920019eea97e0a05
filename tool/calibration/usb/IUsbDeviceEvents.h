#pragma once

#include <string>

// The source of USB device arrival and removal events, behind which the system's notifications
// sit. The main window subscribes once at start-up; tests inject events through a source of
// their own.

enum class UsbDeviceChange {
  kArrived,  // a USB device was plugged in
  kRemoved,  // a USB device was unplugged
};

// Receives the events. Called on the user-interface thread.
class IUsbDeviceSink {
 public:
  // interfaceName: the device's interface name (see UsbInterfaceName.h).
  virtual void OnUsbDeviceChange(UsbDeviceChange change, const std::string& interfaceName) = 0;

 protected:
  ~IUsbDeviceSink() = default;
};

class IUsbDeviceEvents {
 public:
  virtual ~IUsbDeviceEvents() = default;

  // Starts delivering events to sink (not owned; it must outlive this object) on the calling
  // thread, which must run an event loop: the user-interface thread. Returns false with the
  // system's text for the error in *error when notifications cannot be had; no event is
  // delivered then. Call once.
  virtual bool Register(IUsbDeviceSink* sink, std::string* error) = 0;
};
