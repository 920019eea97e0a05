#pragma once

#include <atomic>
#include <cstddef>

#include "codec/Frame.h"

namespace servolink {

// Feeds the frame reader from a connected socket. TCP may split a frame anywhere, so a field is
// read until it is complete, however many pieces it arrives in; each wait for more bytes lasts
// at most the time-out. Only a wait that times out or fails, the peer closing, a socket error or
// a cancel make a field fail.
class SocketFieldSource : public IFieldSource {
 public:
  // cancel (may be null) is read between the 100 ms slices of every wait.
  SocketFieldSource(int socket, int timeoutSeconds, const std::atomic<bool>* cancel);

  bool ReadField(void* buffer, std::size_t size) override;

 private:
  const int m_socket;
  const int m_nTimeout;
  const std::atomic<bool>* const m_pCancel;
};

}  // namespace servolink
