#pragma once

#include <string>
#include <vector>

namespace zavusbadb {

// One line of the device list that `adb devices` prints.
struct AdbDevice {
  std::string serial;
  std::string state;  // "device" when attached and authorised; "unauthorized", "offline", ...
};

// Parses the output of `adb devices`. False when the list header ("List of devices attached")
// is missing, which means the server did not answer with a list. Lines before the header (the
// notes adb prints while it starts its server) are ignored.
bool ParseAdbDevices(const std::string& output, std::vector<AdbDevice>* devices);

}  // namespace zavusbadb
