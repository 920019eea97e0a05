#include "thread/CProcessSendData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "session/CZAVSocketSessionImpl.h"

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// An idle loop polls every 100 ms, and so does one whose frame has no connection to go to: a stop
// request reaches it within about one poll (generous for slow sanitizer builds).
TEST(SendLoop, AStopReachesAPollingLoopWithinAboutOneInterval) {
  CZAVSocketSessionImpl owner;  // never started: it has no socket
  CProcessSendData sender;
  for (int round = 0; round < 4; ++round) {
    if (round == 2) {
      ASSERT_TRUE(owner.SendData("abc", 3));
    }
    ASSERT_TRUE(sender.Start(&owner));
    std::this_thread::sleep_for(round == 0 ? 250ms : 130ms);
    const auto start = Clock::now();
    sender.Stop();
    EXPECT_LT(Clock::now() - start, 500ms) << "round " << round;
  }
}

}  // namespace
