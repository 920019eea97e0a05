#include "AdbDevices.h"

#include <gtest/gtest.h>

namespace {

using zavusbadb::AdbDevice;
using zavusbadb::ParseAdbDevices;

TEST(AdbDevicesTest, ReadsEveryDeviceAfterTheHeaderAndNothingWithoutIt) {
  std::vector<AdbDevice> devices{{"stale", "device"}};
  ASSERT_TRUE(ParseAdbDevices(
      "* daemon not running; starting now at tcp:5037\r\n* daemon started successfully\r\n"
      "List of devices attached\r\nVORLA2000123\tdevice\r\nemulator-5554\tunauthorized\r\n"
      "0123456789ABCDEF       offline usb:1-1 transport_id:3\n\n",
      &devices));
  std::vector<std::pair<std::string, std::string>> read;
  for (const AdbDevice& d : devices) read.emplace_back(d.serial, d.state);
  EXPECT_EQ(read,
            (std::vector<std::pair<std::string, std::string>>{{"VORLA2000123", "device"},
                                                              {"emulator-5554", "unauthorized"},
                                                              {"0123456789ABCDEF", "offline"}}));

  EXPECT_TRUE(ParseAdbDevices("List of devices attached\n\n", &devices));
  EXPECT_TRUE(devices.empty()) << "an empty list is a list";
  for (const char* noList : {"", "error: cannot connect to daemon\n", "VORLA2000123\tdevice\n"}) {
    EXPECT_FALSE(ParseAdbDevices(noList, &devices)) << noList;
  }
  EXPECT_TRUE(devices.empty());
}

}  // namespace
