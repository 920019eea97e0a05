#include "sim/robot/FrameAssembler.h"

#include <cstdint>

#include "codec/Frame.h"

using namespace servolink;

FrameAssembler::Result FrameAssembler::Next(std::string* bytes, std::string* payload) {
  bytes->clear();
  payload->clear();
  if (m_buffer.size() < kFrameHeaderSize) return Result::kNeedMore;
  const FrameHeader header = DecodeFrameHeader(reinterpret_cast<const std::uint8_t*>(m_buffer.data()));
  if (header.magic != kFrameMagic || header.length < kFrameLengthOverhead ||
      header.length > kMaxFrameLength) {
    bytes->assign(m_buffer, 0, 1);
    m_buffer.erase(0, 1);
    return Result::kDropped;
  }
  const std::size_t total = kFrameHeaderSize + static_cast<std::size_t>(header.length - kFrameLengthOverhead);
  if (m_buffer.size() < total) return Result::kNeedMore;
  bytes->assign(m_buffer, 0, total);
  payload->assign(m_buffer, kFrameHeaderSize, total - kFrameHeaderSize);
  m_buffer.erase(0, total);
  return Result::kFrame;
}
