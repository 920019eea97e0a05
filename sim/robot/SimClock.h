#pragma once

#include <chrono>
#include <cstdint>

// Milliseconds of the steady clock: every time of the simulator is one of these.
inline std::int64_t SimNowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
