#include "discovery/DiscoveryDatagram.h"

#include <algorithm>
#include <cstdint>

#include "codec/Envelope.h"
#include "codec/Frame.h"

namespace servolink {

namespace {

// How many texts a device-info body carries: name, version, IP, MAC.
constexpr std::size_t kDeviceInfoFields = 4;

std::string PackTextArray(const std::vector<std::string>& texts) {
  msgpack::sbuffer buffer;
  msgpack::packer<msgpack::sbuffer> packer(buffer);
  packer.pack_array(static_cast<std::uint32_t>(texts.size()));
  for (const std::string& text : texts) PackRaw(packer, text);
  return std::string(buffer.data(), buffer.size());
}

}  // namespace

std::string BuildSearchRequest(const std::string& text) {
  return BuildFrame(PackEnvelope(CMD_SEARCH_DEVICE, PackTextBody(text)));
}

std::string BuildDeviceInfoFrameWithFields(const std::vector<std::string>& fields) {
  return BuildFrame(PackEnvelope(CMD_DEVICE_INFO, PackTextArray(fields)));
}

std::string BuildDeviceInfoFrame(const DeviceReply& reply) {
  return BuildDeviceInfoFrameWithFields({reply.name, reply.version, reply.ip, reply.mac});
}

std::vector<std::string> SplitDiscoveryDatagram(const char* data, std::size_t size) {
  std::vector<std::string> payloads;
  if (data == nullptr) return payloads;
  std::size_t offset = 0;
  while (size - offset > kFrameHeaderSize) {
    const FrameHeader header = DecodeFrameHeader(reinterpret_cast<const std::uint8_t*>(data + offset));
    if (header.magic != kFrameMagic || header.length < kFrameLengthOverhead) break;
    const auto payloadSize = static_cast<std::size_t>(header.length - kFrameLengthOverhead);
    const std::size_t available = size - offset - kFrameHeaderSize;
    // A length that claims more than the datagram holds: the frame, and all after it, is lost.
    if (payloadSize > available) break;
    if (payloadSize > 0) payloads.emplace_back(data + offset + kFrameHeaderSize, payloadSize);
    offset += kFrameHeaderSize + payloadSize;
  }
  return payloads;
}

bool DecodeDeviceInfo(const std::string& payload, DeviceReply* reply) {
  Envelope envelope;
  if (!DecodeEnvelope(payload.data(), payload.size(), &envelope)) return false;
  if (envelope.cmd != CMD_DEVICE_INFO || !envelope.hasBody) return false;

  msgpack::object_handle handle;
  if (!UnpackPayload(envelope.body.data(), envelope.body.size(), &handle)) return false;
  const msgpack::object& body = handle.get();
  if (body.type != msgpack::type::ARRAY) return false;

  std::string texts[kDeviceInfoFields];
  const std::size_t count = std::min<std::size_t>(body.via.array.size, kDeviceInfoFields);
  for (std::size_t i = 0; i < count; ++i) {
    if (!ObjectBytes(body.via.array.ptr[i], &texts[i])) return false;
  }
  *reply = DeviceReply{texts[0], texts[1], texts[2], texts[3]};
  return true;
}

bool IsSearchRequest(const std::string& payload) {
  Envelope envelope;
  return DecodeEnvelope(payload.data(), payload.size(), &envelope) &&
         envelope.cmd == CMD_SEARCH_DEVICE;
}

std::vector<DeviceReply> ParseDiscoveryDatagram(const char* data, std::size_t size) {
  std::vector<DeviceReply> replies;
  for (const std::string& payload : SplitDiscoveryDatagram(data, size)) {
    DeviceReply reply;
    if (DecodeDeviceInfo(payload, &reply)) replies.push_back(std::move(reply));
  }
  return replies;
}

}  // namespace servolink
