#include "calibration/usb/UdevUsbDeviceEvents.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "outside/uibase/TempFolder.h"
#include "tool/app/QtTestApp.h"

namespace {

class NoSink : public IUsbDeviceSink {
 public:
  void OnUsbDeviceChange(UsbDeviceChange, const std::string&) override {}
};

// The monitor opens where the udev daemon runs and says why not where it does not: a folder of
// our own stands for each case, and the machine's own folder is taken as it is.
TEST(UdevUsbDeviceEventsTest, RegistersWhereUdevRunsAndSaysWhyNotElsewhere) {
  QtTestApp();
  TempFolder running;
  running.Write("control", "");
  TempFolder missing;
  const bool machineRunsUdev = ::access("/run/udev/control", F_OK) == 0;
  struct Case { std::string folder; bool registers; };
  for (const Case& c : {Case{running.Path().string(), true}, Case{missing.Path().string(), false},
                        Case{"/run/udev", machineRunsUdev}}) {
    NoSink sink;
    UdevUsbDeviceEvents events(c.folder);
    std::string error;
    EXPECT_EQ(events.Register(&sink, &error), c.registers) << c.folder << ": " << error;
    EXPECT_EQ(error, c.registers ? ""
                                 : "udev is not running (" + c.folder +
                                       "/control: No such file or directory)");
  }
}

}  // namespace
