#include "sim/common/OptionTable.h"

#include <arpa/inet.h>

#include <charconv>

bool ParseInt(const std::string& text, int low, int high, int* value) {
  int parsed = 0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, parsed);
  if (text.empty() || result.ec != std::errc() || result.ptr != end) return false;
  if (parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

bool IsIpv4(const std::string& text) {
  in_addr address{};
  return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}
