#pragma once

#include <memory>
#include <string>

#include "calibration/usb/IUsbDeviceEvents.h"

class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

// What a udev event of a USB device tells of it, as far as its name needs.
struct UdevUsbDevice {
  std::string product;      // the event's PRODUCT property: "vendor/product/release" in
                            // hexadecimal without leading zeros ("18d1/4e26/310")
  std::string serial;   // the sysfs attribute "serial"; gone once the device is
  std::string sysname;  // the kernel name, its place on the bus ("1-1.4")
};

// The device's interface name, MakeUsbInterfaceName(vendor, product, instance): the ids from
// PRODUCT, four hexadecimal digits each (empty when PRODUCT holds no such pair), the instance
// its serial number, else its kernel name.
std::string UdevUsbInterfaceName(const UdevUsbDevice& device);

// USB device events from udev: a monitor of udev's events for subsystem "usb", device type
// "usb_device", whose socket the calling thread's event loop watches. Only "add" and "remove"
// are passed on, each device named by UdevUsbInterfaceName. The kernel puts PRODUCT into both
// events, so a removal names the device by its ids as its arrival does, although its sysfs
// attributes, the serial number among them, are gone with it. A device without a serial number
// (or one that has left) is named by its place on the bus instead, as a system does for devices
// that carry none.
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
