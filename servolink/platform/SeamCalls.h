#pragma once

#include <cstdint>
#include <string>

// The library's own side of the clock and UI-host seams: every tick, sleep and message box of
// its code goes through these, and so through whatever the program or a test installed.

namespace servolink {

// Milliseconds from the installed clock.
std::uint32_t ZAVGetTickCount();
// Sleeps through the installed clock.
void ZAVSleep(std::uint32_t ms);

// Interval between two ticks: the absolute value of their signed 32-bit difference, so that a
// wrap of the counter does not look like a jump of 49 days.
inline std::uint32_t ZAVTickInterval(std::uint32_t from, std::uint32_t to) {
  const auto diff = static_cast<std::int32_t>(to - from);
  return diff < 0 ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(diff))
                  : static_cast<std::uint32_t>(diff);
}

// Shows a box through the installed host; without one the text goes to standard error and the
// answer is IDOK.
int ZAVMessageBox(const std::string& text, const std::string& caption, unsigned int style);

}  // namespace servolink
