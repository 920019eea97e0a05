#include "calibration/usb/UdevUsbDeviceEvents.h"

#include <libudev.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include "calibration/usb/UsbInterfaceName.h"

namespace {

std::string ErrorText(int error) { return std::strerror(error); }

constexpr std::size_t kIdDigits = 4;

std::string Text(const char* value) { return value != nullptr ? value : ""; }

// An id of PRODUCT as four hexadecimal digits, or empty when it is no such id.
std::string FourDigitId(const std::string& id) {
  if (id.empty() || id.size() > kIdDigits ||
      id.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
    return {};
  }
  return std::string(kIdDigits - id.size(), '0') + id;
}

UdevUsbDevice Describe(udev_device* device) {
  return {Text(udev_device_get_property_value(device, "PRODUCT")),
          Text(udev_device_get_sysattr_value(device, "serial")),
          Text(udev_device_get_sysname(device))};
}

}  // namespace

std::string UdevUsbInterfaceName(const UdevUsbDevice& device) {
  std::string vendor, product;
  const std::size_t slash = device.product.find('/');
  if (slash != std::string::npos) {
    const std::size_t release = device.product.find('/', slash + 1);
    vendor = FourDigitId(device.product.substr(0, slash));
    product = FourDigitId(device.product.substr(slash + 1, release - (slash + 1)));
    if (vendor.empty() || product.empty()) vendor = product = std::string();
  }
  return MakeUsbInterfaceName(vendor, product, !device.serial.empty() ? device.serial : device.sysname);
}

UdevUsbDeviceEvents::UdevUsbDeviceEvents(std::string udevRunFolder)
    : m_runFolder(std::move(udevRunFolder)) {}

UdevUsbDeviceEvents::~UdevUsbDeviceEvents() {
  m_notifier.reset();
  if (m_monitor != nullptr) udev_monitor_unref(m_monitor);
  if (m_udev != nullptr) udev_unref(m_udev);
}

bool UdevUsbDeviceEvents::Register(IUsbDeviceSink* sink, std::string* error) {
  if (m_monitor != nullptr || !Open(error)) return false;
  m_sink = sink;
  m_notifier = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(m_monitor),
                                                 QSocketNotifier::Read);
  QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { ReceiveAll(); });
  return true;
}

bool UdevUsbDeviceEvents::Open(std::string* error) {
  // libudev quietly listens to nothing when the daemon is missing; say so instead.
  const std::string control = m_runFolder + "/control";
  if (::access(control.c_str(), F_OK) != 0) {
    *error = "udev is not running (" + control + ": " + ErrorText(errno) + ")";
    return false;
  }
  errno = 0;
  m_udev = udev_new();
  if (m_udev == nullptr) {
    *error = ErrorText(errno != 0 ? errno : ENOMEM);
    return false;
  }
  errno = 0;
  udev_monitor* monitor = udev_monitor_new_from_netlink(m_udev, "udev");
  if (monitor == nullptr) {
    *error = ErrorText(errno != 0 ? errno : EPROTONOSUPPORT);
    return false;
  }
  int result = udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device");
  if (result >= 0) result = udev_monitor_enable_receiving(monitor);
  if (result < 0) {
    *error = ErrorText(-result);
    udev_monitor_unref(monitor);
    return false;
  }
  m_monitor = monitor;
  return true;
}

void UdevUsbDeviceEvents::ReceiveAll() {
  // The socket does not block: read until it is empty, one event at a time, since the sink may
  // serve the event loop (and so come back here) while it handles one.
  while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
    Deliver(device);
    udev_device_unref(device);
  }
}

void UdevUsbDeviceEvents::Deliver(udev_device* device) {
  const char* action = udev_device_get_action(device);
  if (action == nullptr) return;
  if (std::strcmp(action, "add") == 0) {
    m_sink->OnUsbDeviceChange(UsbDeviceChange::kArrived, UdevUsbInterfaceName(Describe(device)));
  } else if (std::strcmp(action, "remove") == 0) {
    m_sink->OnUsbDeviceChange(UsbDeviceChange::kRemoved, UdevUsbInterfaceName(Describe(device)));
  }
}
