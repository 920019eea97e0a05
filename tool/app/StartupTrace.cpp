#include "app/StartupTrace.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

double NowMs(clockid_t clock) {
  timespec now{};
  ::clock_gettime(clock, &now);
  return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// The process's start in ms of the boot-time clock (/proc/self/stat, field 22, in clock ticks).
double ProcessStartMs() {
  std::ifstream in("/proc/self/stat");
  const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  return std::atof(field.c_str()) * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

}  // namespace

void TraceStartup(const char* step) {
  static const bool on = [] {
    const char* value = std::getenv("CALTRIM_TRACE_STARTUP");
    return value != nullptr && std::strcmp(value, "1") == 0;
  }();
  if (!on) return;
  static const double first = NowMs(CLOCK_MONOTONIC);
  static std::atomic<bool> started{false};
  if (!started.exchange(true)) {
    std::fprintf(stderr, "caltrim-trace 0.0 %s (%.0f ms after the process started)\n", step,
                 NowMs(CLOCK_BOOTTIME) - ProcessStartMs());
  } else {
    std::fprintf(stderr, "caltrim-trace %.1f %s\n", NowMs(CLOCK_MONOTONIC) - first, step);
  }
}
