#pragma once

#include <cstdint>

#include "platform/ZAVExport.h"

// The clock seam: every tick and every sleep of the library goes through here, so that tests can
// move time forward (the twenty-minute silence rule) without waiting for it.

class IZAVClock {
 public:
  virtual ~IZAVClock() = default;
  // Milliseconds since an arbitrary origin; 32 bits, wrapping like the system tick.
  virtual std::uint32_t TickCount() = 0;
  // Blocks the calling thread for about ms milliseconds.
  virtual void Sleep(std::uint32_t ms) = 0;
};

// Installs a clock (null restores the system clock). Must outlive every library object.
extern "C" ZAV_EXPORT void ZAVSetClock(IZAVClock* clock);

std::uint32_t ZAVGetTickCount();
void ZAVSleep(std::uint32_t ms);

// Interval between two ticks: the absolute value of their signed 32-bit difference, so that a
// wrap of the counter does not look like a jump of 49 days.
inline std::uint32_t ZAVTickInterval(std::uint32_t from, std::uint32_t to) {
  const auto diff = static_cast<std::int32_t>(to - from);
  return diff < 0 ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(diff))
                  : static_cast<std::uint32_t>(diff);
}
