#include "codec/ServoCommand.h"

#include <gtest/gtest.h>

#include <string>

#include "TestBytes.h"
#include "codec/Envelope.h"
#include "codec/Frame.h"

namespace {

std::string ServoFrame(const ServoCommand& command) {
  return Hex(BuildFrame(PackEnvelope(CMD_SERVO, PackServoBody(command))));
}

std::string TextFrame(int cmd, const std::string& text) {
  return Hex(BuildFrame(PackEnvelope(cmd, PackTextBody(text))));
}

TEST(ServoCommandFrame, EveryCommandComesOutByteForByte) {
  EXPECT_EQ(ServoFrame(ServoCommand::ReadCaliAngle(3)),
            "34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0D A1 03");
  EXPECT_EQ(ServoFrame(ServoCommand::SetCurrentAngle(5, 90, 2000)),
            "34 12 0F 00 00 00 01 00 00 00 92 01 A8 92 05 A5 05 00 5A 07 D0");
  EXPECT_EQ(ServoFrame(ServoCommand::SetCaliAngle(2, -3)),
            "34 12 0D 00 00 00 01 00 00 00 92 01 A6 92 0C A3 02 FF FD");
  EXPECT_EQ(ServoFrame(ServoCommand::ReadCurrentAngle(7)),
            "34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 06 A1 07");
  EXPECT_EQ(ServoFrame(ServoCommand::ReadInfo(20)),
            "34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0E A1 14");
  EXPECT_EQ(TextFrame(CMD_READ_SN, ""), "34 12 09 00 00 00 01 00 00 00 92 34 A2 91 A0");
  EXPECT_EQ(TextFrame(CMD_WRITE_SN, "abc"),
            "34 12 0C 00 00 00 01 00 00 00 92 33 A5 91 A3 61 62 63");
}

TEST(ServoCommandFrame, OnlyTheLowBitsOfEachArgumentTravelHighByteFirst) {
  EXPECT_EQ(Hex(std::string(reinterpret_cast<const char*>(ServoCommand::SetCurrentAngle(0x105, 0x12345, -1).data), 5)),
            "05 23 45 FF FF");
  EXPECT_EQ(Hex(std::string(reinterpret_cast<const char*>(ServoCommand::SetCaliAngle(-1, 89).data), 3)),
            "FF 00 59");
  EXPECT_EQ(ServoCommand::ReadCaliAngle(0x1FF).data[0], 0xFF);
  EXPECT_EQ(ServoCommand::ReadInfo(1).size, 1u);
  EXPECT_EQ(ServoCommand::SetCaliAngle(1, 1).size, 3u);
  EXPECT_EQ(ServoCommand::SetCurrentAngle(1, 1, 1).size, 5u);
}

TEST(ServoCommandFrame, TypesAreSignedEightBitIntegersInTheirShortestForm) {
  ServoCommand command;
  command.size = 0;
  command.type = 0x7F;
  EXPECT_EQ(Hex(PackServoBody(command)), "92 7F A0");
  command.type = 0xE0;  // -32: still one byte
  EXPECT_EQ(Hex(PackServoBody(command)), "92 E0 A0");
  command.type = 0xDF;  // -33
  EXPECT_EQ(Hex(PackServoBody(command)), "92 D0 DF A0");
  command.type = 0x80;  // -128
  EXPECT_EQ(Hex(PackServoBody(command)), "92 D0 80 A0");
}

TEST(Envelope, IntegersTakeTheirShortestForm) {
  const struct {
    int cmd;
    const char* head;
  } cases[] = {{0, "92 00"},           {127, "92 7F"},       {128, "92 CC 80"},
               {255, "92 CC FF"},      {256, "92 CD 01 00"}, {65535, "92 CD FF FF"},
               {65536, "92 CE 00 01 00 00"}, {-1, "92 FF"},  {-32, "92 E0"},
               {-33, "92 D0 DF"},      {-128, "92 D0 80"},   {-129, "92 D1 FF 7F"},
               {-32768, "92 D1 80 00"}, {-32769, "92 D2 FF FF 7F FF"}};
  for (const auto& c : cases) EXPECT_EQ(Hex(PackEnvelope(c.cmd, "")), std::string(c.head) + " A0") << c.cmd;
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

TEST(Envelope, DecodesCommandAndBodyAcceptingEveryByteStringHeader) {
  const struct {
    const char* payload;
    const char* body;
  } cases[] = {
      {"92 01 A2 61 62", "61 62"},         {"92 01 D9 02 61 62", "61 62"},
      {"92 01 DA 00 02 61 62", "61 62"},   {"92 01 DB 00 00 00 02 61 62", "61 62"},
      {"92 01 C4 02 61 62", "61 62"},      {"92 01 C5 00 02 61 62", "61 62"},
      {"92 01 C6 00 00 00 02 61 62", "61 62"}, {"93 01 A1 61 C0", "61"},  // extra element ignored
  };
  for (const auto& c : cases) {
    const std::string payload = Bytes(c.payload);
    Envelope envelope;
    ASSERT_TRUE(DecodeEnvelope(payload.data(), payload.size(), &envelope)) << c.payload;
    EXPECT_EQ(envelope.cmd, 1) << c.payload;
    EXPECT_TRUE(envelope.hasBody) << c.payload;
    EXPECT_EQ(Hex(envelope.body), c.body) << c.payload;
  }
}

TEST(Envelope, CommandsSpanTheWholeIntRange) {
  for (const char* payload : {"92 D2 80 00 00 00 A0", "92 CE 7F FF FF FF A0", "91 34"}) {
    const std::string bytes = Bytes(payload);
    Envelope envelope;
    EXPECT_TRUE(DecodeEnvelope(bytes.data(), bytes.size(), &envelope)) << payload;
  }
  const std::string bytes = Bytes("92 D2 80 00 00 00 A0");
  Envelope envelope;
  ASSERT_TRUE(DecodeEnvelope(bytes.data(), bytes.size(), &envelope));
  EXPECT_EQ(envelope.cmd, -2147483647 - 1);
}

TEST(Envelope, RejectsWhatIsNotAnArrayWithAnIntCommand) {
  for (const char* payload : {
           "01",                      // not an array
           "A2 92 01",                // a string
           "92 CE 80 00 00 00 A0",    // cmd 2^31 does not fit an int
           "92 D3 FF FF FF FF 7F FF FF FF A0",  // nor does -2^31-1
           "92 CA 3F 80 00 00 A0",    // a float
           "92 A1 31 A0",             // a string command
           "92 01 A5 61",             // cut short
           "92",                      // cut short
           "C1",                      // never used
       }) {
    const std::string bytes = Bytes(payload);
    Envelope envelope;
    EXPECT_FALSE(DecodeEnvelope(bytes.data(), bytes.size(), &envelope)) << payload;
  }
  Envelope envelope;
  EXPECT_FALSE(DecodeEnvelope(nullptr, 0, &envelope));
}

TEST(Envelope, AnEmptyArrayIsNoCommandAndABodyOfAnotherTypeIsAbsent) {
  std::string bytes = Bytes("90");
  Envelope envelope;
  ASSERT_TRUE(DecodeEnvelope(bytes.data(), bytes.size(), &envelope));
  EXPECT_EQ(envelope.cmd, Envelope::kNoCommand);
  EXPECT_FALSE(envelope.hasBody);

  bytes = Bytes("92 34 91 A0");
  ASSERT_TRUE(DecodeEnvelope(bytes.data(), bytes.size(), &envelope));
  EXPECT_EQ(envelope.cmd, 52);
  EXPECT_FALSE(envelope.hasBody);
}

TEST(Envelope, HostileSizeClaimsFailInsteadOfAllocating) {
  for (const char* payload : {"DD FF FF FF FF", "92 01 DB FF FF FF FF 61", "DF FF FF FF FF"}) {
    const std::string bytes = Bytes(payload);
    Envelope envelope;
    EXPECT_FALSE(DecodeEnvelope(bytes.data(), bytes.size(), &envelope)) << payload;
  }
}

TEST(ServoBody, DecodesTypeAndDataWithinTheSignedByteRange) {
  const struct {
    const char* body;
    bool ok;
    int type;
  } cases[] = {
      {"92 0D A4 00 03 00 5A", true, 0x0D}, {"92 D0 80 A0", true, -128},
      {"92 7F C4 01 00", true, 127},        {"93 06 A0 01", true, 6},
      {"92 CC 80 A0", false, 0},            {"92 D1 FF 7F A0", false, 0},
      {"91 0D", false, 0},                  {"92 0D 01", false, 0},
      {"0D", false, 0},                     {"92 0D A4 00 03", false, 0},
  };
  for (const auto& c : cases) {
    ServoReply reply;
    EXPECT_EQ(DecodeServoBody(Bytes(c.body), &reply), c.ok) << c.body;
    if (c.ok) {
      EXPECT_EQ(reply.type, c.type) << c.body;
    }
  }
}

TEST(ServoReplyFieldsTest, StatusIdAndTheF0RuleForValues) {
  const struct {
    const char* data;
    bool withValue;
    bool decoded;
    bool ok;
    int id;
    int value;
  } cases[] = {
      {"00 03 00 5A", true, true, true, 3, 90},
      {"00 03 FF FB", true, true, true, 3, -5},
      {"00 03 80 00", true, true, true, 3, 32768},
      {"00 03 EF FF", true, true, true, 3, 61439},
      {"00 03 F0 00", true, true, true, 3, -4096},
      {"00 03 FF FF", true, true, true, 3, -1},
      {"01 03 12 34", true, true, false, 3, 0},  // a failure carries 0 whatever follows
      {"FF 03", true, true, false, 3, 0},        // and need not carry the value bytes
      {"00 81 00 5A", true, true, true, -127, 90},
      {"00 FF 00 00", true, true, true, -1, 0},
      {"00 80", false, true, true, -128, 0},
      {"05 0C", false, true, false, 12, 0},
      {"00 03 00", true, false, false, 0, 0},  // short replies raise nothing
      {"00", false, false, false, 0, 0},
      {"", true, false, false, 0, 0},
  };
  for (const auto& c : cases) {
    ServoReplyFields fields;
    ASSERT_EQ(DecodeServoReplyFields(Bytes(c.data), c.withValue, &fields), c.decoded) << c.data;
    if (!c.decoded) continue;
    EXPECT_EQ(fields.ok, c.ok) << c.data;
    EXPECT_EQ(fields.id, c.id) << c.data;
    EXPECT_EQ(fields.value, c.value) << c.data;
  }
}

}  // namespace
