#include "discovery/DiscoveryDatagram.h"

#include <gtest/gtest.h>

#include <msgpack.hpp>

#include "TestBytes.h"
#include "codec/Envelope.h"
#include "codec/Frame.h"
#include "discovery/DeviceRecord.h"

using namespace servolink;

namespace {

using Names = std::vector<std::string>;
using Packer = msgpack::packer<msgpack::sbuffer>;

// The reply of a robot named R, version 2, at 10.0.0.5 with MAC 00:11.
const std::string kFullReply =
    Bytes("34 12 1B 00 00 00 01 00 00 00 92 02 B4 94 A1 52 A1 32 A8 31 30 2E 30 2E 30 2E 35 A5 30 30 3A 31 31");

// Read from a buffer of exactly the datagram's size, so that a read past it is caught by the
// sanitizer builds.
std::vector<DeviceReply> Parse(const std::string& datagram) {
  std::vector<char> exact(datagram.begin(), datagram.end());
  return ParseDiscoveryDatagram(exact.data(), exact.size());
}

Names NamesIn(const std::string& datagram) {
  Names names;
  for (const DeviceReply& reply : Parse(datagram)) names.push_back(reply.name);
  return names;
}

std::string Patched(std::initializer_list<std::pair<std::size_t, int>> bytes) {
  std::string frame = kFullReply;
  for (const auto& [at, value] : bytes) frame[at] = static_cast<char>(value);
  return frame;
}

std::string PackWith(const std::function<void(Packer&)>& write) {
  msgpack::sbuffer buffer;
  Packer packer(buffer);
  write(packer);
  return std::string(buffer.data(), buffer.size());
}

TEST(DiscoveryDatagramTest, ReadingStopsAtTheFirstBadHeaderOrAFrameReachingPastTheDatagram) {
  const std::string badMagic = Patched({{0, 0x35}});
  const std::string lengthBelowFour = Patched({{2, 3}});
  const std::string negativeLength = Patched({{2, 0}, {5, 0x80}});
  const std::string oneByteTooLong = Patched({{2, 0x1C}});
  const std::string huge = Patched({{2, 0xFF}, {3, 0xFF}, {4, 0xFF}, {5, 0x7F}});
  const std::pair<std::string, Names> cases[] = {
      {"", {}},
      {BuildHeartbeatFrame(), {}},
      {kFullReply.substr(0, 10), {}},
      {BuildDeviceInfoFrameWithFields({"a"}) + kFullReply + BuildDeviceInfoFrameWithFields({"c"}), {"a", "R", "c"}},
      // A frame without payload is stepped over; the version is not looked at.
      {BuildHeartbeatFrame() + Patched({{6, 7}}), {"R"}},
      {badMagic, {}},
      {kFullReply + badMagic + kFullReply, {"R"}},
      {lengthBelowFour + kFullReply, {}},
      {negativeLength + kFullReply, {}},
      {oneByteTooLong, {}},
      {kFullReply + oneByteTooLong, {"R"}},
      {huge, {}},
      {kFullReply + kFullReply.substr(0, 20), {"R"}},
  };
  for (const auto& [datagram, names] : cases) EXPECT_EQ(NamesIn(datagram), names) << Hex(datagram);
  EXPECT_TRUE(ParseDiscoveryDatagram(nullptr, 0).empty());
}

TEST(DiscoveryDatagramTest, PayloadsOfTheWrongShapeAreDroppedAndTheNextFrameStillCounts) {
  // What makes an envelope is the codec's rule (Envelope); here the device-info body.
  const auto info = [](auto write) { return BuildFrame(PackEnvelope(CMD_DEVICE_INFO, PackWith(write))); };
  const std::vector<std::pair<const char*, std::string>> wrong = {
      {"not MessagePack", BuildFrame(Bytes("C1"))},
      {"no body", BuildFrame(PackWith([](Packer& p) { p.pack_array(1); p.pack(2); }))},
      {"body not MessagePack", BuildFrame(PackEnvelope(CMD_DEVICE_INFO, Bytes("C1")))},
      {"body not an array", info([](Packer& p) { PackRaw(p, "R"); })},
      {"body element an integer", info([](Packer& p) { p.pack_array(2); PackRaw(p, "R"); p.pack(2); })},
      {"body element nil", info([](Packer& p) { p.pack_array(1); p.pack_nil(); })},
      {"another command", BuildFrame(PackEnvelope(7, PackTextBody("R")))},
  };
  for (const auto& [what, frame] : wrong) EXPECT_EQ(NamesIn(frame + kFullReply), Names{"R"}) << what;
}

TEST(DiscoveryDatagramTest, EveryByteStringHeaderIsAcceptedInAReply) {
  const std::vector<DeviceReply> replies = Parse(BuildFrame(PackEnvelope(CMD_DEVICE_INFO, PackWith([](Packer& p) {
    p.pack_array(4);
    p.pack_str(3);  // str 8 (D9) from today's packer
    p.pack_str_body("abc", 3);
    p.pack_bin(1);
    p.pack_bin_body("2", 1);
    PackRaw(p, std::string(40, '9'));  // DA
    PackRaw(p, "m");
  }))));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].name + "|" + replies[0].version + "|" + replies[0].ip + "|" + replies[0].mac,
            "abc|2|" + std::string(40, '9') + "|m");
}

TEST(DeviceRecordTest, TextsAreWidenedAsUtf8) {
  // Ill-formed bytes are the widening's own rule (Utf8Test).
  const __DevInfo info = MakeDevInfo(DeviceReply{"机器人", "v1", "10.0.0.5", "00:11"});
  EXPECT_EQ(info.strName + L"|" + info.strVersion + L"|" + info.strIP + L"|" + info.strMAC, L"机器人|v1|10.0.0.5|00:11");
}

}  // namespace
