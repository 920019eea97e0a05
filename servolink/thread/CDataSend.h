#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace servolink {

// One frame waiting in a session's send queue: its own copy of the bytes, and how many of them
// the socket has already taken. A send call may take only part of a frame; the rest goes next,
// so the peer never sees a byte twice.
class CDataSend {
 public:
  // Copies len bytes from bytes. Raises std::bad_alloc when memory runs out.
  CDataSend(const char* bytes, std::uint32_t len)
      : m_pData(new char[len]), m_nLen(len) {
    std::memcpy(m_pData.get(), bytes, len);
  }
  CDataSend(const CDataSend&) = delete;
  CDataSend& operator=(const CDataSend&) = delete;

  std::uint32_t Length() const { return m_nLen; }

  // The bytes the socket has not taken yet.
  const char* Remaining() const { return m_pData.get() + m_nSent; }
  std::uint32_t RemainingLength() const { return m_nLen - m_nSent; }

  // Records that the socket took count more bytes (never more than remain).
  void Advance(std::size_t count) {
    m_nSent += static_cast<std::uint32_t>(count < RemainingLength() ? count : RemainingLength());
  }

  // True once every byte has been taken.
  bool Done() const { return m_nSent == m_nLen; }

 private:
  std::unique_ptr<char[]> m_pData;
  std::uint32_t m_nLen;
  std::uint32_t m_nSent = 0;
};

}  // namespace servolink
