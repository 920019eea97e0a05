#include "calibration/rules/CalibrationModel.h"

#include <algorithm>
#include <climits>

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

bool IsStatusWord(std::string_view text) {
  return text == kCaliWait || text == kCaliOk || text == kCaliFailed || text == kCaliFalse;
}

int DecimalValue(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  // One past INT_MAX is enough to saturate either way; the digits beyond it change nothing.
  constexpr long long kCeiling = static_cast<long long>(INT_MAX) + 1;
  long long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = std::min(value * 10 + (text[at] - '0'), kCeiling);
  }
  return static_cast<int>(std::clamp<long long>(negative ? -value : value, INT_MIN, INT_MAX));
}

std::optional<int> ServoAngle(std::string_view text) {
  std::size_t first = 0;
  std::size_t end = text.size();
  while (first < end && IsBlank(text[first])) ++first;
  while (end > first && IsBlank(text[end - 1])) --end;
  const std::string_view number = text.substr(first, end - first);
  const std::size_t digits = !number.empty() && (number[0] == '+' || number[0] == '-') ? 1 : 0;
  if (number.size() == digits ||
      number.find_first_not_of("0123456789", digits) != std::string_view::npos) {
    return std::nullopt;
  }
  const int angle = DecimalValue(number);
  if (angle < 0 || angle > kMaxServoAngle) return std::nullopt;
  return angle;
}

bool IsWritableOffset(long long value) {
  return value >= kMinCaliOffset && value <= kMaxCaliOffset;
}

long long OffsetForAngle(long long base, long long angle, long long reference) {
  return base + kOffsetPerAngle * (angle - reference);
}

std::string OffsetText(long long offset) {
  return IsWritableOffset(offset) ? std::to_string(offset) : std::string(kCaliFalse);
}

std::optional<int> WritableOffset(std::string_view boxText) {
  if (IsStatusWord(boxText)) return std::nullopt;
  const int value = DecimalValue(boxText);
  if (!IsWritableOffset(value)) return std::nullopt;
  return value;
}
