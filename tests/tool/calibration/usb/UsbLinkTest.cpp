#include "calibration/usb/UsbLink.h"

#include <gtest/gtest.h>

#include <list>

#include "app/LanguageSetting.h"
#include "app/Text.h"
#include "calibration/usb/UsbInterfaceName.h"
#include "tool/app/ShippedTexts.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

const std::string kRobot = MakeUsbInterfaceName("18d1", "4e26", "VORLA2000123");
const std::string kOther = MakeUsbInterfaceName("046d", "c52b", "1-1.2");
const QString kLine = QStringLiteral("Connected to R ");  // the status line before the event

// The window's side, recorded. The objects it makes stay in lists, so the test sees each one.
class RecordingHost : public IUsbLinkHost {
 public:
  RecordingHost() : session(NewSession()), detection(NewDetection()) {}
  ~RecordingHost() override {
    for (const FakeUsbDetection& d : detections) EXPECT_FALSE(d.usedAfterRelease);
  }

  ZAVCritSec& WorkerLock() override { return lock; }
  bool IsShuttingDown() override { return false; }
  IZAVUsbDetection* UsbDetection() override { return detection; }
  void SetUsbReady(bool value) override { ready = value; }
  void PostUsbState(WPARAM state) override {
    std::lock_guard<std::mutex> hold(postLock);
    posts.push_back(static_cast<int>(state));
  }
  void ShowModuleError() override {}
  QString StatusLine() override { return line; }
  void SetStatusLine(const QString& text) override { line = text; }
  void ShowStatus(const QString& text, bool busy) override { shown += text + (busy ? "!" : ""); }
  void ShowSessionEnded(const char* key) override { shown += key != nullptr ? T(key) : ""; }
  void EnableWindow(bool value) override { enabled = value; }
  void UpdateConnectionUi(int mode) override { modes.push_back(mode); }
  CIZAVSocketSession* Session() override { return session; }
  void SetSession(CIZAVSocketSession* value) override {
    // A calibration run reads the session under the worker lock: it may change only under it.
    bool free = false;
    std::thread([&] {
      free = lock.TryLock();
      if (free) lock.Unlock();
    }).join();
    swapsOutsideLock += free ? 1 : 0;
    session = value;
  }
  void SetUsbDetection(IZAVUsbDetection* value) override { detection = value; }
  CIZAVSocketSession* CreateSession() override { return NewSession(); }
  IZAVUsbDetection* CreateUsbDetection() override { return NewDetection(); }
  std::thread StartThread(std::function<void()> body) override { return std::thread(body); }
  void LockWorkerPumping() override {
    while (!lock.TryLock()) {
      if (onWait) onWait();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  FakeSession* NewSession() { return &sessions.emplace_back(&journal); }
  FakeUsbDetection* NewDetection() {
    detections.emplace_back(&journal).states = nextStates;
    return &detections.back();
  }

  Journal journal;  // "session" and "usb" for each Release
  std::list<FakeSession> sessions;
  std::list<FakeUsbDetection> detections;
  std::deque<int> nextStates;  // what each new detection object answers
  ZAVCritSec lock;
  CIZAVSocketSession* session;
  IZAVUsbDetection* detection;
  std::atomic<bool> ready{false};
  std::mutex postLock;
  std::vector<int> posts;
  QString line = kLine + "(old event)", shown;
  bool enabled = true;
  std::vector<int> modes;
  std::function<void()> onWait;
  int swapsOutsideLock = 0;
};

class UsbLinkTest : public ::testing::Test {
 protected:
  UsbLinkTest() {
    QtTestApp();
    UseShippedTexts(kLanguageEnglish);  // the status-line cut needs the texts' brackets
  }
};

// Each event from the same start (a session and a detection object), once every run has ended.
// Only the robot's own device acts; after it leaves, a new session serves Wi-Fi. What the worker
// makes of the detection object's answers is AdbWorkerTest's.
TEST_F(UsbLinkTest, EachDeviceEventAndWhatTheWorkerThenFinds) {
  const auto kIn = UsbDeviceChange::kArrived;
  const auto kOut = UsbDeviceChange::kRemoved;
  struct Case {
    UsbDeviceChange change;
    std::string name;
    bool ready;
    const char* lineKey;  // appended to the status line; null: nothing happens at all
    std::vector<int> posts;
    const char* shown;
  };
  const Case cases[] = {
      {kIn, kRobot, true, "IDS_TESTED_USB_INSERT", {1}, ""},
      {kIn, kOther, true, nullptr, {}, ""},
      {kOut, kOther, true, nullptr, {}, ""},
      {kOut, kRobot, false, "IDS_TESTED_USB_PULLED", {}, "IDS_SERVER_CLOSE_SUCCESS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + (c.change == kIn ? " in" : " out"));
    RecordingHost host;
    host.ready = c.change == kOut || c.name == kOther;  // so that a change shows
    host.nextStates = {1};
    FakeSession& first = host.sessions.front();
    UsbLink(&host).OnUsbDeviceChange(c.change, c.name);  // the link joins its runs as it goes
    EXPECT_EQ(host.ready.load(), c.ready);
    EXPECT_EQ(host.line, c.lineKey ? kLine + T(c.lineKey) : kLine + "(old event)");
    EXPECT_EQ(host.posts, c.posts);
    EXPECT_EQ(host.shown, *c.shown ? T(c.shown) : QString());
    EXPECT_EQ(host.modes, c.lineKey ? std::vector<int>{0} : std::vector<int>{});
    EXPECT_EQ(host.journal, (c.lineKey ? Journal{"session", "usb"} : Journal{}));
    EXPECT_EQ(first.stops, c.change == kOut && c.lineKey ? 1 : 0) << "a Wi-Fi session ends too";
    EXPECT_EQ(host.session, c.lineKey ? &host.sessions.back() : &first) << "a new one, or none";
    EXPECT_EQ(host.sessions.size(), c.lineKey ? 2u : 1u);
    EXPECT_EQ(host.swapsOutsideLock, 0);
    if (c.change == kIn && c.name == kRobot) {
      // Replaced: the new objects are the ones asked and forwarded from.
      EXPECT_EQ(host.detection, &host.detections.back());
      EXPECT_EQ(host.detections.back().forwards, std::vector<int>{6102});
      EXPECT_FALSE(host.enabled) << "the window waits for the worker";
    } else if (c.lineKey) {
      EXPECT_EQ(host.detection, nullptr);
    }
  }
}

TEST_F(UsbLinkTest, ArrivalsInQuickSuccessionLeaveOneSessionOneDetectionObjectAndNoThread) {
  RecordingHost host;
  host.nextStates = {1, 1, 1};  // each run may find the newest object
  {
    UsbLink link(&host);
    for (int i = 0; i < 3; ++i) link.OnUsbDeviceChange(UsbDeviceChange::kArrived, kRobot);
    ASSERT_TRUE(PumpUntil([&] { return link.RunningWorkers() == 0; }));
  }
  EXPECT_EQ(host.journal.size(), 6u);  // three sessions and three detection objects ended
  EXPECT_EQ(host.session, &host.sessions.back());
  EXPECT_EQ(host.detection, &host.detections.back());
  EXPECT_FALSE(host.detections.back().released);
  EXPECT_TRUE(host.ready.load());
}

// The run holds the lock in GetDeviceState when the device goes; the removal waits for it before
// it releases the session or the detection object (a calibration run holds the same lock while it
// writes through the session), and a robot that arrives meanwhile (the wait serves events) is
// handled after the removal.
TEST_F(UsbLinkTest, RemovalWaitsForARunInProgressAndEventsDuringTheWaitComeAfter) {
  RecordingHost host;
  UsbLink link(&host);
  auto* first = static_cast<FakeUsbDetection*>(host.detection);
  first->hold = true;
  link.StartWorker();
  ASSERT_TRUE(PumpUntil([&] { return first->asked > 0; }));  // the run holds the lock
  bool waited = false;
  host.onWait = [&] {
    if (std::exchange(waited, true)) return;
    EXPECT_FALSE(first->released) << "released while the run still used it";
    EXPECT_TRUE(host.journal.empty()) << "session released while a run held the lock";
    link.OnUsbDeviceChange(UsbDeviceChange::kArrived, kRobot);
    first->hold = false;
  };
  link.OnUsbDeviceChange(UsbDeviceChange::kRemoved, kRobot);
  first->hold = false;  // in case the removal did not wait
  EXPECT_TRUE(waited);
  EXPECT_TRUE(first->released);
  EXPECT_EQ(host.shown, T("IDS_SERVER_CLOSE_SUCCESS"));
  EXPECT_EQ(host.line, kLine + T("IDS_TESTED_USB_INSERT"));
  EXPECT_EQ(host.detection, &host.detections.back());
  EXPECT_EQ(host.detections.size(), 2u);
  link.JoinWorkers();
}

// A run that holds the lock when the robot goes may still find it and say ready; the removal
// clears ready once that run has ended, so it cannot stay set with no robot there.
TEST_F(UsbLinkTest, ReadyIsClearedAfterTheRunInProgressHasEnded) {
  RecordingHost host;
  UsbLink link(&host);
  auto* first = static_cast<FakeUsbDetection*>(host.detection);
  first->states = {1};
  first->hold = true;
  link.StartWorker();
  ASSERT_TRUE(PumpUntil([&] { return first->asked > 0; }));  // the run holds the lock
  host.onWait = [&] { first->hold = false; };  // it finds the robot while the removal waits
  link.OnUsbDeviceChange(UsbDeviceChange::kRemoved, kRobot);
  first->hold = false;  // in case the removal did not wait
  link.JoinWorkers();
  EXPECT_EQ(host.posts, std::vector<int>{USB_ADB_READY}) << "the run did find the robot";
  EXPECT_FALSE(host.ready.load());
}

}  // namespace
