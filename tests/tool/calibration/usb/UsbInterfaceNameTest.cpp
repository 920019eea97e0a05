#include "calibration/usb/UsbInterfaceName.h"

#include <gtest/gtest.h>

namespace {

TEST(UsbInterfaceNameTest, IdsAreReadAtTheirPlacesAndOnlyTheRobotsMatch) {
  struct Case { std::string name; const char* vendor; const char* product; bool robot; };
  const std::string klass = kUsbDeviceInterfaceClass;
  const Case cases[] = {
      {"USB#VID_18D1&PID_4E26#0123#" + klass, "18D1", "4E26", true},
      {"usb#vid_18d1&pid_4e26#0123#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", "18D1", "4E26", true},
      {MakeUsbInterfaceName("18d1", "4e26", "1-1.4"), "18D1", "4E26", true},
      {MakeUsbInterfaceName("18d1", "4e26", "A#B_C"), "18D1", "4E26", true},  // odd serial
      {"USB#VID_18D1&PID_4E26#" + klass, "18D1", "4E26", true},              // no instance part
      {"USB#VID_18D1&PID_4E27#0123#" + klass, "18D1", "4E27", false},
      {"USB#VID_0BDA&PID_4E26#0123#" + klass, "0BDA", "4E26", false},
      {"USB\\VID_18D1&PID_4E26\\0123", "", "", false},  // no "#"
      {"USB#VID_18D1&PID_4E2#" + klass, "18D1", "", false},
      {"USB#VID_18#" + klass, "", "", false},
      {"USB#VID#" + klass, "", "", false},  // no "_" before the cut
      {"#", "", "", false},
      {"", "", "", false},
  };
  for (const Case& c : cases) {
    const UsbIds ids = UsbIdsFromInterfaceName(c.name);
    EXPECT_EQ(ids.vendor, c.vendor) << c.name;
    EXPECT_EQ(ids.product, c.product) << c.name;
    EXPECT_EQ(IsRobotInterfaceName(c.name), c.robot) << c.name;
  }
}

}  // namespace
