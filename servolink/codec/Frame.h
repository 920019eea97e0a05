#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace servolink {

// The frame of the robot link: a 10-byte little-endian header followed by a MessagePack payload.
//   magic 0x1234 (2) | length = payload size + 4 (4, signed) | version 1 (2) | reserved 0 (2)
// Only the framing lives here; where the bytes come from is the transport's business.

constexpr std::uint16_t kFrameMagic = 0x1234;
constexpr std::uint16_t kFrameVersion = 1;
constexpr std::size_t kFrameHeaderSize = 10;
// length counts version and reserved besides the payload.
constexpr std::int32_t kFrameLengthOverhead = 4;
// The largest length a reader accepts. Real frames are a few dozen bytes; a larger length means
// the stream has lost its framing, and no reader allocates what a peer merely claims.
constexpr std::int32_t kMaxFrameLength = 65536;

// The heartbeat: a frame with no payload.
std::string BuildHeartbeatFrame();

// Prepends the header to payload.
std::string BuildFrame(const std::string& payload);

struct FrameHeader {
  std::uint16_t magic;
  std::int32_t length;
  std::uint16_t version;
  std::uint16_t reserved;
};

// Reads the header fields from kFrameHeaderSize bytes at p.
FrameHeader DecodeFrameHeader(const std::uint8_t* p);

// Where a stream reader takes its bytes from: one call per field.
class IFieldSource {
 public:
  virtual ~IFieldSource() = default;
  // Fills all size bytes of buffer; false when they cannot all be had (time-out, error, the
  // peer closed), which ends the link.
  virtual bool ReadField(void* buffer, std::size_t size) = 0;
};

enum class FrameReadResult {
  kGood,     // a whole frame: payload holds its payload (empty for a heartbeat)
  kSkipped,  // a bad header field: only the bytes up to it were consumed
  kFailed,   // the link is broken (source failure, or a length beyond kMaxFrameLength)
};

// Reads one frame from a stream, field by field. After a bad field the next call starts at the
// very next byte, so a reader that lost step walks the stream two bytes at a time until a magic
// falls on a step.
FrameReadResult ReadFrame(IFieldSource& source, std::string* payload);

}  // namespace servolink
