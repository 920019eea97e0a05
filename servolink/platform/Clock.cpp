#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/SeamCalls.h"

namespace {

class SystemClock final : public IZAVClock {
 public:
  std::uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void Sleep(std::uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
};

SystemClock g_systemClock;
std::atomic<IZAVClock*> g_clock{&g_systemClock};

}  // namespace

void ZAVSetClock(IZAVClock* clock) { g_clock.store(clock ? clock : &g_systemClock); }

namespace servolink {

std::uint32_t ZAVGetTickCount() { return g_clock.load()->TickCount(); }

void ZAVSleep(std::uint32_t ms) { g_clock.load()->Sleep(ms); }

}  // namespace servolink
