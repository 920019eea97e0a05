#include "codec/Frame.h"

namespace servolink {

namespace {

void AppendLE16(std::string* out, std::uint16_t value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>(value >> 8));
}

void AppendLE32(std::string* out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::uint16_t LE16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t LE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

std::string BuildFrame(const std::string& payload) {
  std::string frame;
  frame.reserve(kFrameHeaderSize + payload.size());
  AppendLE16(&frame, kFrameMagic);
  AppendLE32(&frame, static_cast<std::uint32_t>(payload.size() + kFrameLengthOverhead));
  // version and reserved go out together as the 32-bit value 1.
  AppendLE32(&frame, kFrameVersion);
  frame += payload;
  return frame;
}

std::string BuildHeartbeatFrame() { return BuildFrame(std::string()); }

FrameHeader DecodeFrameHeader(const std::uint8_t* p) {
  return FrameHeader{LE16(p), static_cast<std::int32_t>(LE32(p + 2)), LE16(p + 6), LE16(p + 8)};
}

FrameReadResult ReadFrame(IFieldSource& source, std::string* payload) {
  payload->clear();
  std::uint8_t field[4];
  if (!source.ReadField(field, 2)) return FrameReadResult::kFailed;
  if (LE16(field) != kFrameMagic) return FrameReadResult::kSkipped;

  if (!source.ReadField(field, 4)) return FrameReadResult::kFailed;
  const auto length = static_cast<std::int32_t>(LE32(field));
  if (length < kFrameLengthOverhead) return FrameReadResult::kSkipped;
  if (length > kMaxFrameLength) return FrameReadResult::kFailed;

  if (!source.ReadField(field, 2)) return FrameReadResult::kFailed;
  if (LE16(field) != kFrameVersion) return FrameReadResult::kSkipped;
  if (!source.ReadField(field, 2)) return FrameReadResult::kFailed;

  const auto size = static_cast<std::size_t>(length - kFrameLengthOverhead);
  if (size == 0) return FrameReadResult::kGood;
  payload->resize(size);
  if (!source.ReadField(payload->data(), size)) return FrameReadResult::kFailed;
  return FrameReadResult::kGood;
}

}  // namespace servolink
