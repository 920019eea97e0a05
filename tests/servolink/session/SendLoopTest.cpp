#include "thread/CProcessSendData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "session/CZAVSocketSessionImpl.h"

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

TEST(SendLoop, AStopRequestReachesAnIdleLoopWithinAboutOnePollInterval) {
  CZAVSocketSessionImpl owner;  // never started: its queue is empty and it has no socket
  CProcessSendData sender;
  ASSERT_TRUE(sender.Start(&owner));
  std::this_thread::sleep_for(250ms);  // well into its idle polling
  for (int round = 0; round < 3; ++round) {
    const auto start = Clock::now();
    sender.Stop();
    // One 100 ms poll at most; generous for slow (sanitizer) builds.
    EXPECT_LT(Clock::now() - start, 500ms);
    ASSERT_TRUE(sender.Start(&owner));
    std::this_thread::sleep_for(130ms);
  }
}

TEST(SendLoop, AFrameWithoutAConnectionStaysQueuedAndHoldsTheLoopToItsPolling) {
  CZAVSocketSessionImpl owner;
  ASSERT_TRUE(owner.SendData("abc", 3));
  CProcessSendData sender;
  ASSERT_TRUE(sender.Start(&owner));
  std::this_thread::sleep_for(250ms);
  const auto start = Clock::now();
  sender.Stop();
  EXPECT_LT(Clock::now() - start, 500ms);
}

TEST(SendLoop, StopWithoutStartAndTwiceReturnsAtOnce) {
  CProcessSendData sender;
  const auto start = Clock::now();
  sender.Stop();
  sender.Stop();
  EXPECT_LT(Clock::now() - start, 100ms);
}

TEST(SendLoop, WithoutAnOwnerTheBodyEndsAtOnce) {
  CProcessSendData sender;
  ASSERT_TRUE(sender.Start(nullptr));
  const auto start = Clock::now();
  sender.Stop();
  EXPECT_LT(Clock::now() - start, 100ms);
}

}  // namespace
