#include "codec/Frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestBytes.h"

namespace {

// A stream held in memory; a field it cannot fill completely fails, like a closed link.
class MemorySource : public IFieldSource {
 public:
  explicit MemorySource(std::string bytes) : m_bytes(std::move(bytes)) {}

  bool ReadField(void* buffer, std::size_t size) override {
    if (m_bytes.size() - m_at < size) {
      m_at = m_bytes.size();
      return false;
    }
    m_bytes.copy(static_cast<char*>(buffer), size, m_at);
    m_at += size;
    return true;
  }

  std::size_t Consumed() const { return m_at; }

 private:
  std::string m_bytes;
  std::size_t m_at = 0;
};

const char* Name(FrameReadResult result) {
  switch (result) {
    case FrameReadResult::kGood:
      return "good";
    case FrameReadResult::kSkipped:
      return "skipped";
    case FrameReadResult::kFailed:
      return "failed";
  }
  return "?";
}

// Reads frames until the source fails: "good:<payload hex>" or "skipped@<offset after>" each.
std::vector<std::string> ReadAll(const std::string& stream) {
  MemorySource source(stream);
  std::vector<std::string> results;
  std::string payload;
  for (;;) {
    const FrameReadResult result = ReadFrame(source, &payload);
    if (result == FrameReadResult::kFailed) break;
    if (result == FrameReadResult::kGood) {
      results.push_back("good:" + Hex(payload));
    } else {
      results.push_back(std::string(Name(result)) + "@" + std::to_string(source.Consumed()));
    }
  }
  return results;
}

const std::string kReply = Bytes("34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00 03 00 5A");
const std::string kReplyPayload = "92 01 A7 92 0D A4 00 03 00 5A";

TEST(FrameBuild, HeartbeatIsTheTenByteFrameWithLengthFour) {
  EXPECT_EQ(Hex(BuildHeartbeatFrame()), "34 12 04 00 00 00 01 00 00 00");
}

TEST(FrameBuild, LengthCountsVersionReservedAndPayloadLittleEndian) {
  EXPECT_EQ(Hex(BuildFrame(Bytes("92 01 A4 92 0D A1 03"))),
            "34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0D A1 03");
  const std::string large(300, 'x');  // 304 = 0x130: the high byte of length is used
  EXPECT_EQ(Hex(BuildFrame(large).substr(0, 10)), "34 12 30 01 00 00 01 00 00 00");
}

TEST(FrameRead, GoodFramesFollowEachOtherWithoutSeparators) {
  EXPECT_EQ(ReadAll(kReply + BuildHeartbeatFrame() + kReply),
            (std::vector<std::string>{"good:" + kReplyPayload, "good:", "good:" + kReplyPayload}));
}

TEST(FrameRead, HeaderFaultsConsumeOnlyTheBytesUpToTheFailingField) {
  // Bad magic: 2 bytes taken; length below 4: 6 bytes; version not 1: 8 bytes. The reserved
  // field is not checked.
  EXPECT_EQ(ReadAll(Bytes("35 12")), std::vector<std::string>{"skipped@2"});
  EXPECT_EQ(ReadAll(Bytes("34 12 03 00 00 00")), std::vector<std::string>{"skipped@6"});
  EXPECT_EQ(ReadAll(Bytes("34 12 FF FF FF FF")), std::vector<std::string>{"skipped@6"});
  EXPECT_EQ(ReadAll(Bytes("34 12 04 00 00 00 02 00")), std::vector<std::string>{"skipped@8"});
  EXPECT_EQ(ReadAll(Bytes("34 12 04 00 00 00 01 00 AB CD")), std::vector<std::string>{"good:"});
}

TEST(FrameRead, OneStrayByteLosesTheNextFrameAndResynchronisesInTwoByteSteps) {
  // The stray byte pairs with the first magic byte; from there the reader steps two bytes at a
  // time through the lost frame. A second stray byte puts the next magic back on a step.
  const std::string stream = Bytes("AA") + kReply + Bytes("BB") + kReply;
  std::vector<std::string> expected;
  for (std::size_t at = 2; at <= 22; at += 2) expected.push_back("skipped@" + std::to_string(at));
  expected.push_back("good:" + kReplyPayload);
  EXPECT_EQ(ReadAll(stream), expected);
}

TEST(FrameRead, AnEvenRunOfStrayBytesCostsOnlyItsOwnSteps) {
  EXPECT_EQ(ReadAll(Bytes("AA BB CC DD") + kReply),
            (std::vector<std::string>{"skipped@2", "skipped@4", "good:" + kReplyPayload}));
}

TEST(FrameRead, LengthBeyondTheBoundBreaksTheLinkWithoutAllocating) {
  MemorySource atBound(BuildFrame(std::string(kMaxFrameLength - 4, 'p')));
  std::string payload;
  EXPECT_EQ(ReadFrame(atBound, &payload), FrameReadResult::kGood);
  EXPECT_EQ(payload.size(), static_cast<std::size_t>(kMaxFrameLength - 4));

  // 65537, and the largest positive length: the stream has lost its framing.
  for (const char* header : {"34 12 01 00 01 00 01 00 00 00", "34 12 FF FF FF 7F 01 00 00 00"}) {
    MemorySource beyond(Bytes(header));
    EXPECT_EQ(ReadFrame(beyond, &payload), FrameReadResult::kFailed) << header;
    EXPECT_EQ(beyond.Consumed(), 6u) << header;
  }
}

TEST(FrameRead, AStreamThatEndsInsideAFrameFails) {
  for (std::size_t cut = 0; cut < kReply.size(); ++cut) {
    MemorySource source(kReply.substr(0, cut));
    std::string payload;
    EXPECT_EQ(ReadFrame(source, &payload), FrameReadResult::kFailed) << "cut at " << cut;
  }
}

TEST(FrameRead, HeaderFieldsDecodeLittleEndianWithASignedLength) {
  const std::string bytes = Bytes("34 12 FE FF FF FF 01 00 CD AB");
  const FrameHeader header = DecodeFrameHeader(reinterpret_cast<const std::uint8_t*>(bytes.data()));
  EXPECT_EQ(header.magic, 0x1234);
  EXPECT_EQ(header.length, -2);
  EXPECT_EQ(header.version, 1);
  EXPECT_EQ(header.reserved, 0xABCD);
}

}  // namespace
