// The discovery thread's handling of one datagram from anyone on the network: the frames are
// split out, decoded and delivered exactly as the receive loop does with what recvfrom returned
// (at most the 1000-byte buffer). Every record must survive being sent again unchanged.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ZAVServoSocket.h"
#include "discovery/DeviceRecord.h"
#include "discovery/DiscoveryDatagram.h"

using namespace servolink;

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Answers every message box at once and says nothing.
class QuietHost final : public IZAVUiHost {
 public:
  void PumpMessages() override {}
  int MessageBox(const std::string& text, const std::string&, unsigned int style) override {
    Check(style == MB_OK && !text.empty());
    return IDOK;
  }
};

class CheckingSink final : public IZAVBroadcastEvent {
 public:
  void OnFoundDevice(__DevInfo info) override {
    Check(info.strName.size() <= kDiscoveryBufferSize && info.strMAC.size() <= kDiscoveryBufferSize);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static QuietHost host;
  static CheckingSink sink;
  ZAVSetUiHost(&host);
  if (size > kDiscoveryBufferSize) size = kDiscoveryBufferSize;
  // An exact copy, so that a read past the received bytes is caught.
  const std::vector<char> datagram(data, data + size);

  std::size_t total = 0;
  for (const std::string& payload : SplitDiscoveryDatagram(datagram.data(), datagram.size())) {
    Check(!payload.empty());
    total += payload.size() + 10;
    IsSearchRequest(payload);
  }
  Check(total <= size);

  for (const DeviceReply& reply : ParseDiscoveryDatagram(datagram.data(), datagram.size())) {
    const std::string again = BuildDeviceInfoFrame(reply);
    const std::vector<DeviceReply> decoded = ParseDiscoveryDatagram(again.data(), again.size());
    Check(decoded.size() == 1 && decoded[0].name == reply.name && decoded[0].version == reply.version &&
          decoded[0].ip == reply.ip && decoded[0].mac == reply.mac);
    Check(EmptyFieldMessages(reply).size() <= 4);
    MakeDevInfo(reply);
  }
  DeliverDiscoveryDatagram(datagram.data(), datagram.size(), &sink);
  return 0;
}
