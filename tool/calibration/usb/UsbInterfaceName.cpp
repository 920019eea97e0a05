#include "calibration/usb/UsbInterfaceName.h"

#include <algorithm>

namespace {

constexpr std::size_t kIdLength = 4;
// From the "_" of VID_ to the first digit of the product id in VID_vvvv&PID_pppp.
constexpr std::size_t kProductOffset = 10;

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The id of kIdLength characters at first, or empty when the text ends before it does.
std::string IdAt(const std::string& text, std::size_t first) {
  if (first > text.size() || text.size() - first < kIdLength) return {};
  return text.substr(first, kIdLength);
}

}  // namespace

std::string MakeUsbInterfaceName(const std::string& vendorId, const std::string& productId,
                                 const std::string& instance) {
  return "USB#VID_" + vendorId + "&PID_" + productId + "#" + instance + "#" +
         kUsbDeviceInterfaceClass;
}

UsbIds UsbIdsFromInterfaceName(const std::string& name) {
  const std::size_t lastHash = name.rfind('#');
  if (lastHash == std::string::npos) return {};
  std::string path = name.substr(0, lastHash);
  std::replace(path.begin(), path.end(), '#', '\\');
  std::transform(path.begin(), path.end(), path.begin(), AsciiUpper);
  const std::size_t underscore = path.find('_');
  if (underscore == std::string::npos) return {};
  return {IdAt(path, underscore + 1), IdAt(path, underscore + kProductOffset)};
}

bool IsRobotInterfaceName(const std::string& name) {
  const UsbIds ids = UsbIdsFromInterfaceName(name);
  return ids.vendor == kRobotVendorId && ids.product == kRobotProductId;
}
