#pragma once

#include <memory>
#include <string>

#include "calibration/usb/IUsbDeviceEvents.h"

class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

// USB device events from udev: a monitor of udev's events for subsystem "usb", device type
// "usb_device", whose socket the calling thread's event loop watches. Only "add" and "remove"
// are passed on; each device is named MakeUsbInterfaceName(idVendor, idProduct, serial) from its
// sysfs attributes. A device without a serial number is named by its place on the bus instead
// (its kernel name, such as "1-1.4"), as a system does for devices that carry none: the name
// stays the same while the device stays in its port. A removed device's attributes are gone
// with it, so a removal names the device by its kernel name with empty ids (a removal is
// handled whatever the ids).
//
// udev's events come from the udev daemon, which announces each device after its rules have run
// (so the robot's device node already carries the access the rules give). Without the daemon
// (no <udevRunFolder>/control, as in most containers) registration fails with that reason.
// udev's announcements do not cross network namespaces: in a namespace of its own the program
// registers but hears nothing.
class UdevUsbDeviceEvents final : public IUsbDeviceEvents {
 public:
  explicit UdevUsbDeviceEvents(std::string udevRunFolder = "/run/udev");
  ~UdevUsbDeviceEvents() override;
  UdevUsbDeviceEvents(const UdevUsbDeviceEvents&) = delete;
  UdevUsbDeviceEvents& operator=(const UdevUsbDeviceEvents&) = delete;

  bool Register(IUsbDeviceSink* sink, std::string* error) override;

 private:
  bool Open(std::string* error);
  void ReceiveAll();
  void Deliver(udev_device* device);

  const std::string m_runFolder;
  IUsbDeviceSink* m_sink = nullptr;
  udev* m_udev = nullptr;
  udev_monitor* m_monitor = nullptr;
  std::unique_ptr<QSocketNotifier> m_notifier;
};
