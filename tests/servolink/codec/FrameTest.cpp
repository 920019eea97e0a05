#include "codec/Frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestBytes.h"

using namespace servolink;

namespace {

using Results = std::vector<std::string>;

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

// Reads frames until the source fails: "good:<payload hex>" or "skipped@<offset after>" each.
Results ReadAll(const std::string& stream) {
  MemorySource source(stream);
  Results results;
  std::string payload;
  for (;;) {
    const FrameReadResult result = ReadFrame(source, &payload);
    if (result == FrameReadResult::kFailed) return results;
    results.push_back(result == FrameReadResult::kGood ? "good:" + Hex(payload)
                                                       : "skipped@" + std::to_string(source.Consumed()));
  }
}

const std::string kReply = Bytes("34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00 03 00 5A");
const std::string kGoodReply = "good:92 01 A7 92 0D A4 00 03 00 5A";

TEST(FrameBuild, LengthCountsVersionReservedAndPayloadLittleEndian) {
  EXPECT_EQ(Hex(BuildHeartbeatFrame()), "34 12 04 00 00 00 01 00 00 00");
  EXPECT_EQ(Hex(BuildFrame(Bytes("92 01 A4 92 0D A1 03"))), "34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0D A1 03");
  const std::string large(300, 'x');  // 304 = 0x130: the high byte of length is used
  EXPECT_EQ(Hex(BuildFrame(large).substr(0, 10)), "34 12 30 01 00 00 01 00 00 00");
}

TEST(FrameRead, HeaderFaultsConsumeOnlyTheBytesUpToTheFailingField) {
  const std::pair<std::string, Results> cases[] = {
      {kReply + BuildHeartbeatFrame() + kReply, {kGoodReply, "good:", kGoodReply}},
      {Bytes("35 12"), {"skipped@2"}},                       // bad magic
      {Bytes("34 12 03 00 00 00"), {"skipped@6"}},           // length below 4
      {Bytes("34 12 FF FF FF FF"), {"skipped@6"}},           // length -1
      {Bytes("34 12 04 00 00 00 02 00"), {"skipped@8"}},     // version not 1
      {Bytes("34 12 04 00 00 00 01 00 AB CD"), {"good:"}},   // reserved not checked
      {Bytes("AA BB CC DD") + kReply, {"skipped@2", "skipped@4", kGoodReply}},  // an even run of stray bytes
  };
  for (const auto& [stream, expected] : cases) EXPECT_EQ(ReadAll(stream), expected) << Hex(stream);
}

TEST(FrameRead, OneStrayByteLosesTheNextFrameAndResynchronisesInTwoByteSteps) {
  // The stray byte pairs with the first magic byte; from there the reader steps two bytes at a
  // time through the lost frame. A second stray byte puts the next magic back on a step.
  Results expected;
  for (std::size_t at = 2; at <= 22; at += 2) expected.push_back("skipped@" + std::to_string(at));
  expected.push_back(kGoodReply);
  EXPECT_EQ(ReadAll(Bytes("AA") + kReply + Bytes("BB") + kReply), expected);
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

}  // namespace
