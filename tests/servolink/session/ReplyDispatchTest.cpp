#include "session/ReplyDispatch.h"

#include <gtest/gtest.h>

#include "TestBytes.h"
#include "support/LinkSpies.h"

using namespace servolink;

namespace {

using Events = std::vector<std::string>;

// The servo reply payload [1, [type, data]] and the text replies [cmd, [text]], built by hand.
std::string ServoReply(const char* typeHex, const char* dataHex) {
  const std::string data = Bytes(dataHex);
  const std::string body = Bytes("92") + Bytes(typeHex) + static_cast<char>(0xA0 + data.size()) + data;
  return Bytes("92 01") + static_cast<char>(0xA0 + body.size()) + body;
}

std::string TextReply(const char* cmdHex, const std::string& text) {
  const std::string body = Bytes("91") + static_cast<char>(0xA0 + text.size()) + text;
  return Bytes(cmdHex) + static_cast<char>(0xA0 + body.size()) + body;
}

Events Dispatch(const std::string& payload, bool decodes = true) {
  SessionSpy spy;
  EXPECT_EQ(DispatchPayload(payload.data(), payload.size(), &spy, nullptr), decodes) << Hex(payload);
  return spy.Events();
}

TEST(ReplyDispatch, ServoRepliesCarryStatusSignedIdAndTheF0RuleAndShortOnesRaiseNothing) {
  const struct {
    const char* type;
    const char* data;
    const char* event;  // empty: none
  } cases[] = {
      {"0D", "00 03 00 5A", "ReadServoCaliAngel(1,3,90)"},
      {"0D", "00 03 FF FB", "ReadServoCaliAngel(1,3,-5)"},
      {"0D", "00 03 80 00", "ReadServoCaliAngel(1,3,32768)"},
      {"0D", "00 03 EF FF", "ReadServoCaliAngel(1,3,61439)"},
      {"0D", "00 03 F0 00", "ReadServoCaliAngel(1,3,-4096)"},
      {"0D", "00 FF 00 00", "ReadServoCaliAngel(1,-1,0)"},
      {"0D", "01 03 12 34", "ReadServoCaliAngel(0,3,0)"},  // a failure carries 0 whatever follows
      {"0D", "FF 03", "ReadServoCaliAngel(0,3,0)"},        // and need not carry the value bytes
      {"06", "00 81 00 5A", "ReadCurrentAngel(1,-127,90)"},
      {"06", "00 05 00 F0", "ReadCurrentAngel(1,5,240)"},
      {"0C", "00 02", "SetCaliAngel(1,2)"},
      {"0C", "00 80", "SetCaliAngel(1,-128)"},
      {"0C", "01 FE 99", "SetCaliAngel(0,-2)"},
      // Shorter than their layout, or answers to commands without an event.
      {"0D", "", ""}, {"0D", "00", ""}, {"0D", "00 03", ""}, {"06", "00 03 00", ""}, {"0C", "00", ""},
      {"0C", "", ""}, {"05", "00 03 00 5A", ""}, {"0E", "00 03 00 5A", ""}, {"01", "00 03 00 5A", ""},
      {"7F", "00 03 00 5A", ""}, {"D0 80", "00 03 00 5A", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Dispatch(ServoReply(c.type, c.data)), *c.event ? Events{c.event} : Events{})
        << c.type << ": " << c.data;
  }
}

TEST(ReplyDispatch, TextRepliesCarryTheTextAndItsZeroByteAndEveryByteStringHeaderIsRead) {
  static const char kWithZero[] = "ReadSN(1,\"a\0b\",3)";
  const std::pair<std::string, Events> cases[] = {
      {TextReply("92 34", "VL2-0001"), {"ReadSN(1,\"VL2-0001\",8)"}},
      {TextReply("92 34", ""), {"ReadSN(0,\"\",0)"}},
      {TextReply("92 33", "0"), {"WriteSN(1,\"0\",1)"}},
      {TextReply("92 33", "1"), {"WriteSN(0,\"1\",1)"}},
      {TextReply("92 33", ""), {"WriteSN(0,\"\",0)"}},
      {TextReply("92 34", std::string("a\0b", 3)), {std::string(kWithZero, sizeof kWithZero - 1)}},
      {Bytes("92 34 A5 92 C4 01 58 C0"), {"ReadSN(1,\"X\",1)"}},                   // bin text, extra element
      {Bytes("92 01 A8 92 0D C4 04 00 03 00 5A"), {"ReadServoCaliAngel(1,3,90)"}},  // bin data
      {Bytes("92 01 C4 07 92 0D A4 00 03 00 5A"), {"ReadServoCaliAngel(1,3,90)"}},  // bin body
      {Bytes("92 01 A8 93 0D A4 00 03 00 5A C0"), {"ReadServoCaliAngel(1,3,90)"}},  // extra element
      {Bytes("92 02 A0"), {}},  // commands this session does not speak, and the empty array
      {Bytes("92 35 A2 91 A0"), {}},
      {Bytes("90"), {}},
  };
  for (const auto& [payload, events] : cases) EXPECT_EQ(Dispatch(payload), events) << Hex(payload);
}

TEST(ReplyDispatch, PayloadsThatDoNotDecodeRaiseNothingWithOrWithoutASink) {
  for (const char* payload : {
           "92 01 A3 92 0D A4",    // servo body cut short
           "92 01 A2 91 0D",       // servo body with one element
           "92 01 A4 92 0D 01 02",  // servo data not a byte string
           "92 01 A4 92 CC 80 A0",  // servo type 128
           "92 01 A1 0D",          // servo body not an array
           "91 01",                // servo reply without a body
           "92 01 01",             // body not a byte string
           "92 34 A1 90",          // serial number body: empty array
           "92 33 A0",             // empty body
           "92 01",                // an envelope cut short (the codec's rule: Envelope)
       }) {
    const std::string bytes = Bytes(payload);
    EXPECT_EQ(Dispatch(bytes, false), Events{}) << payload;
    EXPECT_FALSE(DispatchPayload(bytes.data(), bytes.size(), nullptr, nullptr)) << payload;
  }
  const std::string good = ServoReply("0D", "00 03 00 5A");
  EXPECT_TRUE(DispatchPayload(good.data(), good.size(), nullptr, nullptr));
}

}  // namespace
