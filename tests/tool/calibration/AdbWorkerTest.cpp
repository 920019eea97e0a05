#include "calibration/AdbWorker.h"

#include <gtest/gtest.h>

#include "tool/calibration/CalibrationFixture.h"

namespace {

class RecordingHost : public IAdbWorkerHost {
 public:
  ZAVCritSec& WorkerLock() override { return lock; }
  bool IsShuttingDown() override { return shuttingDown; }
  IZAVUsbDetection* UsbDetection() override { return detection; }
  void SetUsbReady(bool value) override { ready = value; }
  void PostUsbState(WPARAM state) override { posts.push_back(state); }
  void ShowModuleError() override {
    ++moduleErrors;
    // The window may wait for the lock (a device event, shut-down): no box may keep it held.
    std::thread([this] {
      if (!lock.TryLock()) return;
      lock.Unlock();
      ++boxesWithoutLock;
    }).join();
  }

  ZAVCritSec lock;
  bool shuttingDown = false;
  IZAVUsbDetection* detection = nullptr;
  bool ready = true;
  std::vector<WPARAM> posts;
  int moduleErrors = 0;
  int boxesWithoutLock = 0;
};

// One run for each thing the detection object can answer, one answer after the other.
TEST(AdbWorkerTest, EachRunReportsWhetherARobotIsReadyAndForwardsItsPort) {
  struct Case {
    const char* what;
    std::deque<int> states;
    bool ready;
    std::vector<WPARAM> posts;
    int recovers, moduleErrors;
  };
  constexpr WPARAM kReady = USB_ADB_READY, kNot = USB_ADB_NOT_READY;
  const Case cases[] = {
      {"ready robot", {2}, true, {kReady}, 0, 0},
      {"no robot", {0}, false, {kNot}, 0, 0},
      {"server down: recovered and asked again", {-1, 1}, true, {kReady}, 1, 0},
      {"module error: shown, reported twice", {-7, 0}, false, {kNot, kNot}, 0, 1},
      {"module error, then ready", {-7, 3}, true, {kNot, kReady}, 0, 1},
      {"another negative state: asked once more", {-5, -5, 1}, false, {kNot}, 0, 0},
  };
  for (const Case& c : cases) {
    Journal journal;
    FakeUsbDetection usb(&journal);
    usb.states = c.states;
    RecordingHost host;
    host.detection = &usb;
    RunAdbWorker(&host);
    EXPECT_EQ(host.ready, c.ready) << c.what;
    EXPECT_EQ(usb.forwards, c.ready ? std::vector<int>{6102} : std::vector<int>{}) << c.what;
    EXPECT_EQ(host.posts, c.posts) << c.what;
    EXPECT_EQ(usb.recovers, c.recovers) << c.what;
    EXPECT_EQ(host.moduleErrors, c.moduleErrors) << c.what;
    EXPECT_EQ(host.boxesWithoutLock, c.moduleErrors) << c.what;
  }
}

}  // namespace
