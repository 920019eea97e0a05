#pragma once

#include <cstdio>
#include <string>

// The simulator's standard output: one line per frame received or sent, flushed at once so that
// a test or an operator watching the output sees every frame as it happens.
//   RECV tcp 127.0.0.1:40102 servo 0x0D id=3 | 34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0D A1 03
class FrameLog {
 public:
  explicit FrameLog(std::FILE* out) : m_out(out) {}

  // direction RECV or SEND, transport tcp or udp.
  void Frame(const char* direction, const char* transport, const std::string& peer,
             const std::string& what, const std::string& bytes);
  // Anything else worth a line: LISTEN, READY, CONNECT, CLOSE, ERROR, EXIT.
  void Line(const std::string& text);

  static std::string Hex(const std::string& bytes);

 private:
  std::FILE* m_out;
};
