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
