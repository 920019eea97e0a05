#include "sim/robot/FrameLog.h"

void FrameLog::Frame(const char* direction, const char* transport, const std::string& peer,
                     const std::string& what, const std::string& bytes) {
  Line(std::string(direction) + " " + transport + " " + peer + " " + what + " | " + Hex(bytes));
}

void FrameLog::Line(const std::string& text) {
  std::fputs(text.c_str(), m_out);
  std::fputc('\n', m_out);
  std::fflush(m_out);
}

std::string FrameLog::Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (!hex.empty()) hex.push_back(' ');
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 0x0F]);
  }
  return hex;
}
