#include "session/ReplyDispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SessionTestSupport.h"

namespace {

using Events = std::vector<std::string>;

// The servo reply payload [1, [type, data]] built by hand, and the text replies [cmd, [text]].
std::string ServoReply(const char* typeHex, const std::string& data) {
  const std::string body = Bytes("92") + Bytes(typeHex) +
                           static_cast<char>(0xA0 + data.size()) + data;
  return Bytes("92 01") + static_cast<char>(0xA0 + body.size()) + body;
}

std::string TextReply(const char* cmdHex, const std::string& text) {
  const std::string body = Bytes("91") + static_cast<char>(0xA0 + text.size()) + text;
  return Bytes(cmdHex) + static_cast<char>(0xA0 + body.size()) + body;
}

Events Dispatch(const std::string& payload, bool* decoded = nullptr) {
  RecordingSink sink;
  const bool ok = DispatchPayload(payload.data(), payload.size(), &sink, nullptr);
  if (decoded) *decoded = ok;
  return sink.Events();
}

TEST(ReplyDispatch, TheReadCalibrationReplyOfTheWireRaisesItsEvent) {
  // The payload of 34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00 03 00 5A.
  EXPECT_EQ(Dispatch(Bytes("92 01 A7 92 0D A4 00 03 00 5A")), Events{"ReadServoCaliAngel(1,3,90)"});
}

TEST(ReplyDispatch, ServoRepliesCarryStatusSignedIdAndTheF0Rule) {
  const struct {
    const char* type;
    const char* data;
    const char* event;
  } cases[] = {
      {"0D", "00 03 FF FB", "ReadServoCaliAngel(1,3,-5)"},
      {"0D", "00 03 80 00", "ReadServoCaliAngel(1,3,32768)"},
      {"0D", "00 03 EF FF", "ReadServoCaliAngel(1,3,61439)"},
      {"0D", "00 03 F0 00", "ReadServoCaliAngel(1,3,-4096)"},
      {"0D", "01 03 12 34", "ReadServoCaliAngel(0,3,0)"},
      {"0D", "02 90", "ReadServoCaliAngel(0,-112,0)"},
      {"06", "00 81 00 5A", "ReadCurrentAngel(1,-127,90)"},
      {"06", "00 05 00 F0", "ReadCurrentAngel(1,5,240)"},
      {"06", "07 05 FF FF", "ReadCurrentAngel(0,5,0)"},
      {"0C", "00 02", "SetCaliAngel(1,2)"},
      {"0C", "01 FE 99", "SetCaliAngel(0,-2)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Dispatch(ServoReply(c.type, Bytes(c.data))), Events{c.event}) << c.type << ": " << c.data;
  }
}

TEST(ReplyDispatch, RepliesShorterThanTheirLayoutRaiseNothing) {
  for (const char* type : {"06", "0D"}) {
    for (const char* data : {"", "00", "00 03", "00 03 00"}) {
      bool decoded = false;
      EXPECT_EQ(Dispatch(ServoReply(type, Bytes(data)), &decoded), Events{}) << type << ": " << data;
      EXPECT_TRUE(decoded);
    }
  }
  EXPECT_EQ(Dispatch(ServoReply("0C", Bytes("00"))), Events{});
  EXPECT_EQ(Dispatch(ServoReply("0C", Bytes(""))), Events{});
}

TEST(ReplyDispatch, RepliesOfCommandsWithoutAnEventRaiseNothing) {
  for (const char* type : {"05", "0E", "01", "7F", "D0 80"}) {
    bool decoded = false;
    EXPECT_EQ(Dispatch(ServoReply(type, Bytes("00 03 00 5A")), &decoded), Events{}) << type;
    EXPECT_TRUE(decoded) << type;
  }
  // Unknown session commands, and the empty array.
  EXPECT_EQ(Dispatch(Bytes("92 02 A0")), Events{});
  EXPECT_EQ(Dispatch(Bytes("92 35 A2 91 A0")), Events{});
  EXPECT_EQ(Dispatch(Bytes("90")), Events{});
}

TEST(ReplyDispatch, SerialNumberRepliesCarryTheTextAndItsZeroByte) {
  EXPECT_EQ(Dispatch(TextReply("92 34", "VL2-0001")), Events{"ReadSN(1,\"VL2-0001\",8)"});
  EXPECT_EQ(Dispatch(TextReply("92 34", "")), Events{"ReadSN(0,\"\",0)"});
  EXPECT_EQ(Dispatch(TextReply("92 33", "0")), Events{"WriteSN(1,\"0\",1)"});
  EXPECT_EQ(Dispatch(TextReply("92 33", "0 stored")), Events{"WriteSN(1,\"0 stored\",8)"});
  EXPECT_EQ(Dispatch(TextReply("92 33", "1")), Events{"WriteSN(0,\"1\",1)"});
  EXPECT_EQ(Dispatch(TextReply("92 33", "")), Events{"WriteSN(0,\"\",0)"});
  // A text with a zero byte inside keeps its full length.
  static const char kWithZero[] = "ReadSN(1,\"a\0b\",3)";
  EXPECT_EQ(Dispatch(TextReply("92 34", std::string("a\0b", 3))),
            Events{std::string(kWithZero, sizeof kWithZero - 1)});
  // A body with a bin header and an extra element.
  EXPECT_EQ(Dispatch(Bytes("92 34 A5 92 C4 01 58 C0")), Events{"ReadSN(1,\"X\",1)"});
}

TEST(ReplyDispatch, PayloadsThatDoNotDecodeRaiseNothing) {
  for (const char* payload : {
           "92 01 A3 92 0D A4",      // servo body cut short
           "92 01 A2 91 0D",          // servo body with one element
           "92 01 A4 92 0D 01 02",    // servo data not a byte string
           "92 01 A4 92 CC 80 A0",    // servo type 128
           "92 01 A4 92 D1 FF 7F",    // servo type -129 (and cut)
           "92 01 A1 0D",             // servo body not an array
           "91 01",                   // servo reply without a body
           "92 01 01",                // body not a byte string
           "92 34 A1 90",             // serial number body: empty array
           "92 34 A2 91 01",          // serial number text not a byte string
           "92 33 A0",                // empty body
           "81 01 02",                // a map
           "92 01",                   // cut short
       }) {
    bool decoded = true;
    EXPECT_EQ(Dispatch(Bytes(payload), &decoded), Events{}) << payload;
    EXPECT_FALSE(decoded) << payload;
  }
}

TEST(ReplyDispatch, WithoutASinkNothingIsRaisedButDecodingStillJudgesThePayload) {
  const std::string good = Bytes("92 01 A7 92 0D A4 00 03 00 5A");
  EXPECT_TRUE(DispatchPayload(good.data(), good.size(), nullptr, nullptr));
  const std::string bad = Bytes("92 01 A3 92 0D A4");
  EXPECT_FALSE(DispatchPayload(bad.data(), bad.size(), nullptr, nullptr));
}

}  // namespace
