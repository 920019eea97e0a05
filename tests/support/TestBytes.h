#pragma once

#include <cstdio>
#include <string>

// Byte strings written as hex, two digits a byte: Bytes("34 12 04 00").
inline std::string Bytes(const char* hex) {
  std::string out;
  unsigned byte = 0;
  for (int used = 0; std::sscanf(hex, " %2x%n", &byte, &used) == 1; hex += used) out += static_cast<char>(byte);
  return out;
}

// The bytes as "34 12 04 ...", for readable failures.
inline std::string Hex(const std::string& bytes) {
  std::string out;
  char digits[4];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02X ", c);
    out += digits;
  }
  if (!out.empty()) out.pop_back();
  return out;
}
