#include "thread/ZAVThread.h"

#include <gtest/gtest.h>

#include "support/LinkSpies.h"

using namespace servolink;

using namespace std::chrono_literals;

namespace {

// A worker whose body runs until told to stop and then takes a while to finish, counting both.
class Worker : public ZAVThread {
 public:
  ~Worker() override {
    stop = true;
    StopThread();
  }
  void ThreadProcMain() override {
    ++runs;
    while (!stop) std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms);
    ++finished;
  }
  std::atomic<bool> stop{false};
  std::atomic<int> runs{0};
  std::atomic<int> finished{0};
};

TEST(ZAVThreadTest, OneBodyPerStartStopWaitsForItsEndAndEveryExtraStopReturnsAtOnce) {
  Worker worker;
  const auto start = std::chrono::steady_clock::now();
  worker.StopThread();  // never started
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  for (int round = 1; round <= 3; ++round) {
    worker.stop = false;
    ASSERT_TRUE(worker.StartThread());
    EXPECT_TRUE(worker.StartThread());  // already running: no second body
    worker.stop = true;
    std::thread other([&] { worker.StopThread(); });  // two threads stop it: both return
    worker.StopThread();
    other.join();
    EXPECT_EQ(worker.finished, round) << "the stop that held the thread returned before its end";
    worker.StopThread();
    EXPECT_EQ(worker.runs, round);
  }
}

TEST(ZAVThreadTest, TheWaitKeepsDispatchingTheCallersMessages) {
  // The worker ends only after the waiting thread has pumped its messages: without the pump,
  // StopThread would wait forever (a user-interface thread waiting for a worker that waits for
  // the user-interface thread).
  std::atomic<bool> pumped{false};
  UiHostSpy host;
  host.SetOnPump([&] { pumped = true; });
  struct NeedsPump : ZAVThread {
    explicit NeedsPump(std::atomic<bool>& p) : pumped(p) {}
    void ThreadProcMain() override {
      const auto deadline = std::chrono::steady_clock::now() + 5s;
      while (!pumped && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
    }
    std::atomic<bool>& pumped;
  } worker(pumped);
  ASSERT_TRUE(worker.StartThread());
  const auto start = std::chrono::steady_clock::now();
  worker.StopThread();
  EXPECT_TRUE(pumped);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
}

TEST(ZAVThreadTest, AThreadStoppingItselfDoesNotWaitForItself) {
  struct SelfStopping : ZAVThread {
    void ThreadProcMain() override {
      StopThread();
      returned = true;
    }
    bool WaitDone() { return m_hDoneEvent.Wait(5000); }
    std::atomic<bool> returned{false};
  } worker;
  ASSERT_TRUE(worker.StartThread());
  EXPECT_TRUE(worker.WaitDone());
  EXPECT_TRUE(worker.returned);
  worker.StopThread();  // already given up by the thread itself: returns at once
}

}  // namespace
