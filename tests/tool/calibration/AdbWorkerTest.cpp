#include "calibration/AdbWorker.h"

#include <gtest/gtest.h>

#include "tool/calibration/LinkFakes.h"

namespace {

class RecordingHost : public IAdbWorkerHost {
 public:
  std::recursive_mutex& WorkerLock() override { return lock; }
  bool IsShuttingDown() override { return shuttingDown; }
  IZAVUsbDetection* UsbDetection() override { return detection; }
  void SetUsbReady(bool value) override { ready = value; }
  void PostUsbState(int state) override { posts.push_back(state); }
  void ShowModuleError() override { ++moduleErrors; }

  std::recursive_mutex lock;
  bool shuttingDown = false;
  IZAVUsbDetection* detection = nullptr;
  bool ready = true;
  std::vector<int> posts;
  int moduleErrors = 0;
};

class AdbWorkerTest : public ::testing::Test {
 protected:
  void Run(std::deque<int> states) {
    m_usb.states = std::move(states);
    m_host.detection = &m_usb;
    RunAdbWorker(&m_host);
  }
  Journal m_journal;
  FakeUsbDetection m_usb{&m_journal};
  RecordingHost m_host;
};

TEST_F(AdbWorkerTest, ReadyRobotGetsItsPortForwarded) {
  Run({2});
  EXPECT_TRUE(m_host.ready);
  EXPECT_EQ(m_usb.forwards, (std::vector<int>{6102}));
  EXPECT_EQ(m_host.posts, (std::vector<int>{1}));
}

TEST_F(AdbWorkerTest, NoRobotIsNotReady) {
  Run({0});
  EXPECT_FALSE(m_host.ready);
  EXPECT_TRUE(m_usb.forwards.empty());
  EXPECT_EQ(m_host.posts, (std::vector<int>{2}));
}

TEST_F(AdbWorkerTest, ServerDownIsRecoveredAndAskedAgain) {
  Run({-1, 1});
  EXPECT_EQ(m_usb.recovers, 1);
  EXPECT_EQ(m_usb.forwards, (std::vector<int>{6102}));
  EXPECT_EQ(m_host.posts, (std::vector<int>{1}));
  EXPECT_EQ(m_host.moduleErrors, 0);
}

TEST_F(AdbWorkerTest, ModuleErrorIsShownAndReportedTwice) {
  Run({-7, 0});
  EXPECT_EQ(m_host.moduleErrors, 1);
  EXPECT_EQ(m_usb.recovers, 0);
  EXPECT_FALSE(m_host.ready);
  EXPECT_EQ(m_host.posts, (std::vector<int>{2, 2}));
}

TEST_F(AdbWorkerTest, ModuleErrorThenReadySaysReadyLast) {
  Run({-7, 3});
  EXPECT_TRUE(m_host.ready);
  EXPECT_EQ(m_host.posts, (std::vector<int>{2, 1}));
}

TEST_F(AdbWorkerTest, OtherNegativeStateAsksOnceMore) {
  Run({-5, -5, 1});
  EXPECT_EQ(m_usb.recovers, 0);
  EXPECT_FALSE(m_host.ready);
  EXPECT_EQ(m_host.posts, (std::vector<int>{2}));
}

TEST_F(AdbWorkerTest, WithoutDetectionObjectReportsNotReady) {
  RunAdbWorker(&m_host);
  EXPECT_FALSE(m_host.ready);
  EXPECT_EQ(m_host.posts, (std::vector<int>{2}));
}

TEST_F(AdbWorkerTest, RunAfterShutDownBeganDoesNothing) {
  m_host.shuttingDown = true;
  Run({1});
  EXPECT_TRUE(m_host.posts.empty());
  EXPECT_TRUE(m_usb.forwards.empty());
}

}  // namespace
