#include "thread/ZAVThread.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/LinkSpies.h"

using namespace servolink;
using namespace std::chrono_literals;

namespace {

// A thread whose body is the test's.
struct Worker : ZAVThread {
  explicit Worker(std::function<void(Worker&)> body) : body(std::move(body)) {}
  ~Worker() override { StopThread(); }
  void ThreadProcMain() override { body(*this); }
  bool WaitDone() { return m_hDoneEvent.Wait(5000); }
  std::function<void(Worker&)> body;
};

TEST(ZAVThreadTest, OneBodyPerStartStopWaitsForItsEndAndEveryExtraStopReturnsAtOnce) {
  std::atomic<bool> stop{false};
  std::atomic<int> runs{0}, finished{0};
  Worker worker([&](Worker&) {
    ++runs;
    while (!stop) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);  // a slow end, for a stop that returns before it to show
    ++finished;
  });
  worker.StopThread();  // never started: returns at once
  for (int round = 1; round <= 3; ++round) {
    stop = false;
    ASSERT_TRUE(worker.StartThread());
    EXPECT_TRUE(worker.StartThread());  // already running: no second body
    stop = true;
    std::thread other([&] { worker.StopThread(); });  // two threads stop it: both return
    worker.StopThread();
    other.join();
    EXPECT_EQ(finished, round) << "the stop that held the thread returned before its end";
    worker.StopThread();
    EXPECT_EQ(runs, round);
  }
}

TEST(ZAVThreadTest, TheWaitKeepsDispatchingTheCallersMessages) {
  // The body ends only once the waiting thread has pumped its messages: without the pump,
  // StopThread would wait for ever (a user-interface thread waiting for a worker that waits for it).
  std::atomic<bool> pumped{false};
  UiHostSpy host;
  host.SetOnPump([&] { pumped = true; });
  Worker worker([&](Worker&) {
    for (int i = 0; i < 5000 && !pumped; ++i) std::this_thread::sleep_for(1ms);
  });
  ASSERT_TRUE(worker.StartThread());
  worker.StopThread();
  EXPECT_TRUE(pumped);
}

TEST(ZAVThreadTest, AThreadStoppingItselfDoesNotWaitForItself) {
  std::atomic<bool> returned{false};
  Worker worker([&](Worker& self) {
    self.StopThread();
    returned = true;
  });
  ASSERT_TRUE(worker.StartThread());
  EXPECT_TRUE(worker.WaitDone());
  EXPECT_TRUE(returned);
  worker.StopThread();  // already given up by the thread itself: returns at once
}

}  // namespace
