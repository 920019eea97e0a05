#include "discovery/DiscoveryDatagram.h"

#include <gtest/gtest.h>

#include <msgpack.hpp>

#include "codec/Envelope.h"
#include "codec/Frame.h"
#include "discovery/DeviceRecord.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

// The reply of a robot named R, version 2, at 10.0.0.5 with MAC 00:11.
const std::string kFullReply =
    Bytes({0x34, 0x12, 0x1B, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x92, 0x02, 0xB4, 0x94, 0xA1, 0x52,
           0xA1, 0x32, 0xA8, 0x31, 0x30, 0x2E, 0x30, 0x2E, 0x30, 0x2E, 0x35, 0xA5, 0x30, 0x30, 0x3A, 0x31, 0x31});
const std::string kNameAndVersionOnly =
    Bytes({0x34, 0x12, 0x0C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x92, 0x02, 0xA5, 0x92, 0xA1, 0x52, 0xA1, 0x32});

// Parses from a buffer of exactly the datagram's size, so that a read past it is caught by the
// sanitizer builds.
std::vector<DeviceReply> Parse(const std::string& datagram) {
  std::vector<char> exact(datagram.begin(), datagram.end());
  return ParseDiscoveryDatagram(exact.data(), exact.size());
}

std::string PackWith(const std::function<void(msgpack::packer<msgpack::sbuffer>&)>& write) {
  msgpack::sbuffer buffer;
  msgpack::packer<msgpack::sbuffer> packer(buffer);
  write(packer);
  return std::string(buffer.data(), buffer.size());
}

std::string ReplyFrame(std::vector<std::string> fields) { return BuildDeviceInfoFrameWithFields(fields); }

void ExpectReply(const DeviceReply& reply, const std::string& name, const std::string& version,
                 const std::string& ip, const std::string& mac) {
  EXPECT_EQ(reply.name, name);
  EXPECT_EQ(reply.version, version);
  EXPECT_EQ(reply.ip, ip);
  EXPECT_EQ(reply.mac, mac);
}

TEST(DiscoveryDatagramTest, SearchRequestIsTheSixteenBytesEveryRobotAnswers) {
  EXPECT_EQ(BuildSearchRequest("1"),
            Bytes({0x34, 0x12, 0x0A, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x92, 0x01, 0xA3, 0x91, 0xA1, 0x31}));
  const std::vector<std::string> payloads = SplitDiscoveryDatagram(BuildSearchRequest("1").data(), 16);
  ASSERT_EQ(payloads.size(), 1u);
  EXPECT_TRUE(IsSearchRequest(payloads[0]));
  // The station hears its own request on port 6000; it is no robot.
  EXPECT_TRUE(Parse(BuildSearchRequest("1")).empty());
}

TEST(DiscoveryDatagramTest, RepliesOfEveryLengthFillTheFieldsThatArePresent) {
  std::vector<DeviceReply> replies = Parse(kFullReply);
  ASSERT_EQ(replies.size(), 1u);
  ExpectReply(replies[0], "R", "2", "10.0.0.5", "00:11");
  EXPECT_TRUE(EmptyFieldMessages(replies[0]).empty());
  EXPECT_EQ(BuildDeviceInfoFrame(replies[0]), kFullReply);

  replies = Parse(kNameAndVersionOnly);
  ASSERT_EQ(replies.size(), 1u);
  ExpectReply(replies[0], "R", "2", "", "");
  EXPECT_EQ(EmptyFieldMessages(replies[0]), (std::vector<std::string>{"地址为空！", "MAC地址为空！"}));

  replies = Parse(ReplyFrame({"A", "B", "C", "D", "E"}));
  ASSERT_EQ(replies.size(), 1u);
  ExpectReply(replies[0], "A", "B", "C", "D");

  replies = Parse(ReplyFrame({"Solo"}));
  ASSERT_EQ(replies.size(), 1u);
  ExpectReply(replies[0], "Solo", "", "", "");
  EXPECT_EQ(EmptyFieldMessages(replies[0]),
            (std::vector<std::string>{"版本号为空！", "地址为空！", "MAC地址为空！"}));

  replies = Parse(ReplyFrame({}));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(EmptyFieldMessages(replies[0]),
            (std::vector<std::string>{"设备名为空！", "版本号为空！", "地址为空！", "MAC地址为空！"}));
}

TEST(DiscoveryDatagramTest, SeveralFramesInOneDatagramAreReadInOrder) {
  const std::string datagram = ReplyFrame({"first", "1", "10.0.0.1", "m1"}) + kFullReply +
                               ReplyFrame({"third", "3", "10.0.0.3", "m3"});
  const std::vector<DeviceReply> replies = Parse(datagram);
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[0].name, "first");
  EXPECT_EQ(replies[1].name, "R");
  EXPECT_EQ(replies[2].name, "third");

  // A frame without payload is stepped over; the version is not looked at.
  std::string oddVersion = kFullReply;
  oddVersion[6] = 7;
  EXPECT_EQ(Parse(BuildHeartbeatFrame() + oddVersion).size(), 1u);
}

TEST(DiscoveryDatagramTest, ShortDatagramsAndBadHeadersEndTheReading) {
  EXPECT_TRUE(Parse(BuildHeartbeatFrame()).empty());
  EXPECT_TRUE(Parse(kFullReply.substr(0, 10)).empty());
  EXPECT_TRUE(Parse("").empty());
  EXPECT_TRUE(ParseDiscoveryDatagram(nullptr, 0).empty());

  std::string badMagic = kFullReply;
  badMagic[0] = 0x35;
  EXPECT_TRUE(Parse(badMagic).empty());
  // The first bad header ends the datagram: what came before counts, nothing after.
  EXPECT_EQ(Parse(kFullReply + badMagic + kFullReply).size(), 1u);

  std::string lengthBelowFour = kFullReply;
  lengthBelowFour[2] = 3;
  EXPECT_TRUE(Parse(lengthBelowFour + kFullReply).empty());
  std::string negativeLength = kFullReply;
  negativeLength[2] = 0, negativeLength[5] = static_cast<char>(0x80);
  EXPECT_TRUE(Parse(negativeLength + kFullReply).empty());
}

TEST(DiscoveryDatagramTest, LengthReachingPastTheDatagramDropsTheFrame) {
  std::string tooLong = kFullReply;
  tooLong[2] = 0x1C;  // one byte more than the datagram holds
  EXPECT_TRUE(Parse(tooLong).empty());
  EXPECT_EQ(Parse(kFullReply + tooLong).size(), 1u);
  std::string huge = kFullReply;
  huge[2] = static_cast<char>(0xFF), huge[3] = static_cast<char>(0xFF), huge[4] = static_cast<char>(0xFF),
  huge[5] = 0x7F;
  EXPECT_TRUE(Parse(huge).empty());
  // A cut-off second frame loses only itself.
  EXPECT_EQ(Parse(kFullReply + kFullReply.substr(0, 20)).size(), 1u);
}

TEST(DiscoveryDatagramTest, PayloadsOfTheWrongShapeAreDroppedAndTheNextFrameStillCounts) {
  const auto pack = [](auto write) { return BuildFrame(PackWith(write)); };
  using Packer = msgpack::packer<msgpack::sbuffer>;
  const std::vector<std::pair<const char*, std::string>> wrong = {
      {"not MessagePack", BuildFrame(Bytes({0xC1}))},
      {"cut short", BuildFrame(Bytes({0x92, 0x02, 0xA5, 0x92}))},
      {"envelope not an array", pack([](Packer& p) { p.pack(2); })},
      {"empty envelope", pack([](Packer& p) { p.pack_array(0); })},
      {"cmd not an integer", pack([](Packer& p) { p.pack_array(2); PackRaw(p, "2"); PackRaw(p, PackTextBody("x")); })},
      {"no body", pack([](Packer& p) { p.pack_array(1); p.pack(2); })},
      {"body not a byte string", pack([](Packer& p) { p.pack_array(2); p.pack(2); p.pack(5); })},
      {"body not MessagePack", BuildFrame(PackEnvelope(CMD_DEVICE_INFO, Bytes({0xC1})))},
      {"body not an array", BuildFrame(PackEnvelope(CMD_DEVICE_INFO, PackWith([](Packer& p) { PackRaw(p, "R"); })))},
      {"body element an integer",
       BuildFrame(PackEnvelope(CMD_DEVICE_INFO, PackWith([](Packer& p) { p.pack_array(2); PackRaw(p, "R"); p.pack(2); })))},
      {"body element nil",
       BuildFrame(PackEnvelope(CMD_DEVICE_INFO, PackWith([](Packer& p) { p.pack_array(1); p.pack_nil(); })))},
      {"another command", BuildFrame(PackEnvelope(7, PackTextBody("R")))},
  };
  for (const auto& [what, frame] : wrong) {
    const std::vector<DeviceReply> replies = Parse(frame + kFullReply);
    ASSERT_EQ(replies.size(), 1u) << what;
    EXPECT_EQ(replies[0].name, "R") << what;
  }
}

TEST(DiscoveryDatagramTest, EveryByteStringHeaderIsAcceptedInAReply) {
  const std::string body = PackWith([](msgpack::packer<msgpack::sbuffer>& p) {
    p.pack_array(4);
    p.pack_str(3);  // str 8 (D9) from today's packer
    p.pack_str_body("abc", 3);
    p.pack_bin(1);
    p.pack_bin_body("2", 1);
    PackRaw(p, std::string(40, '9'));  // DA
    PackRaw(p, "m");
  });
  const std::vector<DeviceReply> replies = Parse(BuildFrame(PackEnvelope(CMD_DEVICE_INFO, body)));
  ASSERT_EQ(replies.size(), 1u);
  ExpectReply(replies[0], "abc", "2", std::string(40, '9'), "m");
}

TEST(DeviceRecordTest, TextsAreWidenedAsUtf8AndBadBytesBecomeReplacements) {
  const __DevInfo info = MakeDevInfo(DeviceReply{"机器人", "v1", "10.0.0.5", "00:11"});
  EXPECT_EQ(info.strName, L"机器人");
  EXPECT_EQ(info.strVersion, L"v1");
  EXPECT_EQ(info.strIP, L"10.0.0.5");
  EXPECT_EQ(info.strMAC, L"00:11");
  EXPECT_EQ(WidenDeviceText(Bytes({'A', 0xFF, 'B'})), L"A\uFFFDB");
  EXPECT_EQ(WidenDeviceText(Bytes({0xE6, 0x9C})), L"\uFFFD\uFFFD");   // cut short
  EXPECT_EQ(WidenDeviceText(Bytes({0xC0, 0x80})), L"\uFFFD\uFFFD");   // overlong
  EXPECT_EQ(WidenDeviceText(Bytes({0xF0, 0x9F, 0x98, 0x80})), L"\U0001F600");
}

}  // namespace
