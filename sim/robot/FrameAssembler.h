#pragma once

#include <cstddef>
#include <string>

// Cuts a TCP byte stream into frames, however the stream was cut into pieces on its way. Framing
// only: the bytes come from whoever reads the socket.
class FrameAssembler {
 public:
  enum class Result {
    kFrame,     // *bytes is a whole frame and *payload its payload (empty for a heartbeat)
    kNeedMore,  // no whole frame yet
    kDropped,   // *bytes is one byte that cannot start a frame (wrong magic or length); the
                // next call goes on from the byte after it
  };

  void Append(const char* data, std::size_t size) { m_buffer.append(data, size); }

  Result Next(std::string* bytes, std::string* payload);

 private:
  std::string m_buffer;
};
