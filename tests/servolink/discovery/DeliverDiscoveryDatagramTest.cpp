#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "discovery/DeviceRecord.h"
#include "discovery/DiscoveryDatagram.h"

namespace {

// Message boxes and deliveries in one sequence, to check how they interleave.
class Journal final : public IZAVBroadcastEvent, public IZAVUiHost {
 public:
  Journal() { ZAVSetUiHost(this); }
  ~Journal() override { ZAVSetUiHost(nullptr); }

  void OnFoundDevice(__DevInfo info) override {
    entries.push_back("found " + std::string(info.strName.begin(), info.strName.end()));
  }
  void PumpMessages() override {}
  int MessageBox(const std::string& text, const std::string&, unsigned int style) override {
    entries.push_back("box " + text);
    styles.push_back(style);
    return IDOK;
  }

  std::vector<std::string> entries;
  std::vector<unsigned int> styles;
};

void Deliver(const std::string& datagram, IZAVBroadcastEvent* sink) {
  std::vector<char> exact(datagram.begin(), datagram.end());
  DeliverDiscoveryDatagram(exact.data(), exact.size(), sink);
}

TEST(DeliverDiscoveryDatagramTest, EachRecordFollowsItsOwnMessagesInFieldOrder) {
  Journal journal;
  Deliver(BuildDeviceInfoFrameWithFields({"A", "1"}) + BuildDeviceInfoFrameWithFields({"", "2", "10.0.0.2", ""}) +
              BuildDeviceInfoFrameWithFields({"C", "3", "10.0.0.3", "mac"}),
          &journal);
  EXPECT_EQ(journal.entries, (std::vector<std::string>{
                                 "box 地址为空！", "box MAC地址为空！", "found A",
                                 "box 设备名为空！", "box MAC地址为空！", "found ",
                                 "found C"}));
  for (unsigned int style : journal.styles) EXPECT_EQ(style, MB_OK);
}

TEST(DeliverDiscoveryDatagramTest, WithoutASinkTheMessagesAreStillShown) {
  Journal journal;
  Deliver(BuildDeviceInfoFrameWithFields({"Solo"}), nullptr);
  EXPECT_EQ(journal.entries,
            (std::vector<std::string>{"box 版本号为空！", "box 地址为空！", "box MAC地址为空！"}));
}

TEST(DeliverDiscoveryDatagramTest, TheSameReplyTwiceIsDeliveredTwice) {
  Journal journal;
  const std::string reply = BuildDeviceInfoFrameWithFields({"R", "2", "10.0.0.5", "00:11"});
  Deliver(reply, &journal);
  Deliver(reply, &journal);
  EXPECT_EQ(journal.entries, (std::vector<std::string>{"found R", "found R"}));
}

}  // namespace
