#include "calibration/usb/UdevUsbDeviceEvents.h"

#include <gtest/gtest.h>

#include "calibration/usb/UsbInterfaceName.h"
#include "outside/uibase/TempFolder.h"
#include "tool/app/QtTestApp.h"

namespace {

class NoSink : public IUsbDeviceSink {
 public:
  void OnUsbDeviceChange(UsbDeviceChange, const std::string&) override {}
};

// The monitor opens where the udev daemon runs and says why not where it does not: a folder of
// our own stands for each case.
TEST(UdevUsbDeviceEventsTest, RegistersWhereUdevRunsAndSaysWhyNotElsewhere) {
  QtTestApp();
  TempFolder running;
  running.Write("control", "");
  TempFolder missing;
  for (const bool runs : {true, false}) {
    const std::string folder = (runs ? running : missing).Path().string();
    NoSink sink;
    UdevUsbDeviceEvents events(folder);
    std::string error;
    EXPECT_EQ(events.Register(&sink, &error), runs) << folder << ": " << error;
    EXPECT_EQ(error, runs ? "" : "udev is not running (" + folder + "/control: No such file or directory)");
  }
}

// What udev tells of a device, on its arrival and on its removal (when its sysfs attributes are
// gone), names it with its ids either way: the robot is recognised when it leaves as well.
TEST(UdevUsbDeviceEventsTest, ADeviceIsNamedByTheIdsAndSerialItsEventCarries) {
  const struct {
    const char* what;
    UdevUsbDevice device;
    std::string name;
  } cases[] = {
      {"robot plugged in", {"18d1/4e26/310", "VORLA2000123", "1-1"},
       MakeUsbInterfaceName("18d1", "4e26", "VORLA2000123")},
      {"robot unplugged: no serial any more, its place on the bus", {"18d1/4e26/310", "", "1-1"},
       MakeUsbInterfaceName("18d1", "4e26", "1-1")},
      {"leading zeros come back", {"46d/c52b/1201", "", "1-1.2"}, MakeUsbInterfaceName("046d", "c52b", "1-1.2")},
      {"no PRODUCT", {"", "", "3-1"}, MakeUsbInterfaceName("", "", "3-1")},
      {"a PRODUCT that is no pair of ids", {"18d1", "", "3-2"}, MakeUsbInterfaceName("", "", "3-2")},
      {"an id too long", {"118d1/4e26/1", "", "3-3"}, MakeUsbInterfaceName("", "", "3-3")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UdevUsbInterfaceName(c.device), c.name) << c.what;
  }
}

}  // namespace
