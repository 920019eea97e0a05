#include "sim/robot/FrameAssembler.h"

#include <gtest/gtest.h>

#include "sim/SimRequests.h"

namespace {

// Frames as "F:<bytes>" and dropped runs as "D<count>", from everything the assembler holds.
std::vector<std::string> Drain(FrameAssembler* assembler) {
  std::vector<std::string> items;
  std::string bytes;
  std::string payload;
  for (FrameAssembler::Result r; (r = assembler->Next(&bytes, &payload)) != FrameAssembler::Result::kNeedMore;) {
    if (r == FrameAssembler::Result::kFrame) {
      EXPECT_EQ(payload, bytes.substr(kFrameHeaderSize));
      items.push_back("F:" + bytes);
    } else if (!items.empty() && items.back()[0] == 'D') {
      items.back() = "D" + std::to_string(std::stoi(items.back().substr(1)) + 1);
    } else {
      items.push_back("D1");
    }
    EXPECT_TRUE(r != FrameAssembler::Result::kDropped || bytes.size() == 1u);
  }
  return items;
}

TEST(FrameAssemblerTest, FramesComeWholeHoweverTheStreamIsCut) {
  const std::string first = ServoFrame(ServoCommand::SetCurrentAngle(5, 90, 2000));
  const std::string second = BuildHeartbeatFrame();
  const std::string third = TextFrame(CMD_WRITE_SN, "abc");
  const std::string stream = first + second + third;
  const std::vector<std::string> expected = {"F:" + first, "F:" + second, "F:" + third};

  FrameAssembler byBytes;
  std::vector<std::string> items;
  for (char c : stream) {
    byBytes.Append(&c, 1);
    for (const std::string& item : Drain(&byBytes)) items.push_back(item);
  }
  EXPECT_EQ(items, expected);
  EXPECT_EQ(byBytes.Pending(), 0u);
  FrameAssembler atOnce;
  atOnce.Append(stream.data(), stream.size());
  EXPECT_EQ(Drain(&atOnce), expected);
}

}  // namespace
