#include "sim/robot/FrameAssembler.h"

#include <gtest/gtest.h>

#include "codec/Frame.h"
#include "sim/SimRequests.h"

namespace {

struct Item {
  FrameAssembler::Result result;
  std::string bytes;
  std::string payload;
};

std::vector<Item> Drain(FrameAssembler* assembler) {
  std::vector<Item> items;
  for (;;) {
    Item item;
    item.result = assembler->Next(&item.bytes, &item.payload);
    if (item.result == FrameAssembler::Result::kNeedMore) return items;
    items.push_back(item);
  }
}

TEST(FrameAssemblerTest, FramesComeWholeHoweverTheStreamIsCut) {
  const std::string first = ServoFrame(ServoCommand::SetCurrentAngle(5, 90, 2000));
  const std::string second = BuildHeartbeatFrame();
  const std::string third = TextFrame(CMD_WRITE_SN, "abc");
  const std::string stream = first + second + third;

  FrameAssembler byBytes;
  std::vector<Item> items;
  for (char c : stream) {
    byBytes.Append(&c, 1);
    for (Item& item : Drain(&byBytes)) items.push_back(item);
  }
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].bytes, first);
  EXPECT_EQ(items[0].payload, first.substr(kFrameHeaderSize));
  EXPECT_EQ(items[1].bytes, second);
  EXPECT_EQ(items[1].payload, "");
  EXPECT_EQ(items[2].bytes, third);
  EXPECT_EQ(byBytes.Pending(), 0u);

  FrameAssembler atOnce;
  atOnce.Append(stream.data(), stream.size());
  EXPECT_EQ(Drain(&atOnce).size(), 3u);
}

TEST(FrameAssemblerTest, BytesThatCannotStartAFrameAreDroppedOneByOne) {
  const std::string frame = ServoFrame(ServoCommand::ReadCaliAngle(3));
  std::string badLength = BuildHeartbeatFrame();
  badLength[2] = 3;
  std::string hugeLength = BuildHeartbeatFrame();
  hugeLength[5] = 0x40;
  const std::string stream = std::string("\xEE\xEE\xEE", 3) + frame + badLength + hugeLength + frame;

  FrameAssembler assembler;
  assembler.Append(stream.data(), stream.size());
  std::string dropped;
  std::vector<std::string> frames;
  for (const Item& item : Drain(&assembler)) {
    if (item.result == FrameAssembler::Result::kDropped) {
      EXPECT_EQ(item.bytes.size(), 1u);
      dropped += item.bytes;
    } else {
      frames.push_back(item.bytes);
    }
  }
  EXPECT_EQ(frames, (std::vector<std::string>{frame, frame}));
  EXPECT_EQ(dropped.size(), 3u + badLength.size() + hugeLength.size());
}

}  // namespace
