#include "AdbDevices.h"

#include <gtest/gtest.h>

namespace {

using zavusbadb::AdbDevice;
using zavusbadb::ParseAdbDevices;

std::vector<std::pair<std::string, std::string>> Pairs(const std::vector<AdbDevice>& devices) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const AdbDevice& d : devices) pairs.emplace_back(d.serial, d.state);
  return pairs;
}

TEST(AdbDevicesTest, ReadsEveryDeviceAfterTheHeaderWhateverItsState) {
  std::vector<AdbDevice> devices;
  ASSERT_TRUE(ParseAdbDevices(
      "* daemon not running; starting now at tcp:5037\r\n"
      "* daemon started successfully\r\n"
      "List of devices attached\r\n"
      "VORLA2000123\tdevice\r\n"
      "emulator-5554\tunauthorized\r\n"
      "0123456789ABCDEF       offline usb:1-1 transport_id:3\n"
      "\n",
      &devices));
  using P = std::pair<std::string, std::string>;
  EXPECT_EQ(Pairs(devices), (std::vector<P>{{"VORLA2000123", "device"},
                                            {"emulator-5554", "unauthorized"},
                                            {"0123456789ABCDEF", "offline"}}));
}

TEST(AdbDevicesTest, AnEmptyListIsAListAndNoHeaderIsNoAnswer) {
  std::vector<AdbDevice> devices{{"stale", "device"}};
  EXPECT_TRUE(ParseAdbDevices("List of devices attached\n\n", &devices));
  EXPECT_TRUE(devices.empty());
  EXPECT_FALSE(ParseAdbDevices("", &devices));
  EXPECT_FALSE(ParseAdbDevices("error: cannot connect to daemon\n", &devices));
  EXPECT_FALSE(ParseAdbDevices("VORLA2000123\tdevice\n", &devices));  // a list needs its header
  EXPECT_TRUE(devices.empty());
}

}  // namespace
