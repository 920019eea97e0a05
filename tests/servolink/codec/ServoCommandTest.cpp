#include "codec/ServoCommand.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "TestBytes.h"
#include "codec/Envelope.h"

using namespace servolink;

namespace {

std::string Data(const ServoCommand& command) {
  return Hex(std::string(reinterpret_cast<const char*>(command.data), command.size));
}

TEST(ServoCommandFrame, OnlyTheLowBitsOfEachArgumentTravelHighByteFirst) {
  EXPECT_EQ(Data(ServoCommand::SetCurrentAngle(0x105, 0x12345, -1)), "05 23 45 FF FF");
  EXPECT_EQ(Data(ServoCommand::SetCaliAngle(-1, 89)), "FF 00 59");
  EXPECT_EQ(Data(ServoCommand::ReadCaliAngle(0x1FF)), "FF");
}

TEST(ServoCommandFrame, TypesAreSignedEightBitIntegersInTheirShortestForm) {
  ServoCommand command;
  command.size = 0;
  // -32 still takes one byte; -33 and -128 take two.
  const std::pair<int, const char*> cases[] = {{0x7F, "92 7F A0"}, {0xE0, "92 E0 A0"}, {0xDF, "92 D0 DF A0"},
                                               {0x80, "92 D0 80 A0"}};
  for (const auto& [type, body] : cases) {
    command.type = static_cast<std::uint8_t>(type);
    EXPECT_EQ(Hex(PackServoBody(command)), body);
  }
}

TEST(Envelope, ByteStringsUseOnlyTheOldRawHeaders) {
  auto head = [](std::size_t size, std::size_t headSize) {
    return Hex(PackTextBody(std::string(size, 'a')).substr(1, headSize));
  };
  EXPECT_EQ(head(0, 1), "A0");
  EXPECT_EQ(head(31, 1), "BF");
  EXPECT_EQ(head(32, 3), "DA 00 20");  // never D9
  EXPECT_EQ(head(255, 3), "DA 00 FF");
  EXPECT_EQ(head(65535, 3), "DA FF FF");
  EXPECT_EQ(head(65536, 5), "DB 00 01 00 00");
}

TEST(Envelope, DecodesAnIntCommandAndAnyByteStringBodyAndRejectsTheRest) {
  const struct {
    const char* payload;
    bool ok;
    int cmd;
    const char* body;  // null: no body
  } cases[] = {
      {"92 01 A2 61 62", true, 1, "61 62"},
      {"92 01 D9 02 61 62", true, 1, "61 62"},
      {"92 01 DA 00 02 61 62", true, 1, "61 62"},
      {"92 01 C4 02 61 62", true, 1, "61 62"},
      {"92 01 C6 00 00 00 02 61 62", true, 1, "61 62"},
      {"93 01 A1 61 C0", true, 1, "61"},  // extra element ignored
      {"92 D2 80 00 00 00 A0", true, INT_MIN, ""},
      {"92 CE 7F FF FF FF A0", true, INT_MAX, ""},
      {"91 34", true, 52, nullptr},
      {"92 34 91 A0", true, 52, nullptr},  // a body of another type is absent
      {"90", true, Envelope::kNoCommand, nullptr},
      {"01", false, 0, nullptr},                                // not an array
      {"A2 92 01", false, 0, nullptr},                          // a string
      {"92 CE 80 00 00 00 A0", false, 0, nullptr},              // 2^31 does not fit an int
      {"92 D3 FF FF FF FF 7F FF FF FF A0", false, 0, nullptr},  // nor does -2^31-1
      {"92 A1 31 A0", false, 0, nullptr},                       // a string command
      {"92 01 A5 61", false, 0, nullptr},                       // cut short
      {"C1", false, 0, nullptr},  // never used
      {"DD FF FF FF FF", false, 0, nullptr},  // hostile size claims fail instead of allocating
      {"92 01 DB FF FF FF FF 61", false, 0, nullptr},
      {"DF FF FF FF FF", false, 0, nullptr},
  };
  for (const auto& c : cases) {
    const std::string bytes = Bytes(c.payload);
    Envelope envelope;
    ASSERT_EQ(DecodeEnvelope(bytes.data(), bytes.size(), &envelope), c.ok) << c.payload;
    if (!c.ok) continue;
    EXPECT_EQ(envelope.cmd, c.cmd) << c.payload;
    EXPECT_EQ(envelope.hasBody, c.body != nullptr) << c.payload;
    if (c.body) {
      EXPECT_EQ(Hex(envelope.body), c.body) << c.payload;
    }
  }
  Envelope envelope;
  EXPECT_FALSE(DecodeEnvelope(nullptr, 0, &envelope));
}

}  // namespace
