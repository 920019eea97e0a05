#pragma once

#include <string>

// Device interface names of USB devices, the form in which arrival and removal events name a
// device: USB#VID_vvvv&PID_pppp#instance#{A5DCBF10-6530-11D2-901F-00C04FB951ED}. The robot is
// recognised by the vendor and product ids read back from such a name.

// The interface class of USB devices, the last part of every name.
inline constexpr char kUsbDeviceInterfaceClass[] = "{A5DCBF10-6530-11D2-901F-00C04FB951ED}";

// The robot's ids, upper case.
inline constexpr char kRobotVendorId[] = "18D1";
inline constexpr char kRobotProductId[] = "4E26";

// The name of a USB device from its ids (four hexadecimal digits each, in the case the device
// reports them) and its instance text (its serial number).
std::string MakeUsbInterfaceName(const std::string& vendorId, const std::string& productId,
                                 const std::string& instance);

struct UsbIds {
  std::string vendor;   // empty when the name is too short for it
  std::string product;  // empty when the name is too short for it
};

// The ids of a name: the name cut before its last "#", every "#" made "\", upper case; the
// vendor id is the four characters after the first "_", the product id the four characters
// that begin ten characters after that "_". A name without "#" or "_" gives empty ids, and so
// does a name too short to hold an id: nothing is read past the end.
UsbIds UsbIdsFromInterfaceName(const std::string& name);

// True when the name carries the robot's ids (18D1 and 4E26).
bool IsRobotInterfaceName(const std::string& name);
