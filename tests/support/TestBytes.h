#pragma once

#include <cctype>
#include <string>

// Byte strings written as hex, two digits a byte: Bytes("34 12 04 00").
inline std::string Bytes(const char* hex) {
  std::string out;
  for (const char* p = hex; p[0] && p[1]; ++p) {
    if (!std::isxdigit(static_cast<unsigned char>(p[0]))) continue;
    out.push_back(static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16)));
    ++p;
  }
  return out;
}

// The bytes as "34 12 04 ...", for readable failures.
inline std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}
