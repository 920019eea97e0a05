#include "calibration/usb/UsbLink.h"

#include <gtest/gtest.h>

#include <functional>
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

// A detection object that notes any use after its Release.
class CheckedDetection : public FakeUsbDetection {
 public:
  using FakeUsbDetection::FakeUsbDetection;
  void Release() override {
    released = true;
    FakeUsbDetection::Release();
  }
  int GetDeviceState() override {
    usedAfterRelease = usedAfterRelease || released;
    return FakeUsbDetection::GetDeviceState();
  }
  std::atomic<bool> released{false}, usedAfterRelease{false};
};

// The window's side, recorded. Objects it makes live in lists, so the test sees each one.
class RecordingHost : public IUsbLinkHost {
 public:
  RecordingHost() {
    SetSession(NewSession());
    SetUsbDetection(NewDetection());
  }

  ZAVCritSec& WorkerLock() override { return lock; }
  bool IsShuttingDown() override { return shuttingDown; }
  IZAVUsbDetection* UsbDetection() override { return detection; }
  void SetUsbReady(bool value) override { ready = value; }
  void PostUsbState(WPARAM state) override {
    std::lock_guard<std::mutex> hold(postLock);
    posts.push_back(static_cast<int>(state));
  }
  void ShowModuleError() override { ++moduleErrors; }
  QString StatusLine() override { return line; }
  void SetStatusLine(const QString& text) override { line = text; }
  void ShowStatus(const QString& text, bool busy) override {
    shown.push_back(text + (busy ? " busy" : " idle"));
  }
  void EnableWindow(bool value) override { enabled = value; }
  void UpdateConnectionUi(int mode) override { modes.push_back(mode); }
  CIZAVSocketSession* Session() override { return session; }
  void SetSession(CIZAVSocketSession* value) override { session = value; }
  void SetUsbDetection(IZAVUsbDetection* value) override { detection = value; }
  CIZAVSocketSession* CreateSession() override { return NewSession(); }
  IZAVUsbDetection* CreateUsbDetection() override { return NewDetection(); }
  std::thread StartThread(std::function<void()> body) override {
    return std::thread(std::move(body));
  }
  void LockWorkerPumping() override {
    while (!lock.TryLock()) {
      if (onWait) onWait();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  FakeSession* NewSession() { return &sessions.emplace_back(&journal); }
  CheckedDetection* NewDetection() {
    CheckedDetection& made = detections.emplace_back(&journal);
    made.states = nextStates;
    return &made;
  }
  std::vector<int> Posts() {
    std::lock_guard<std::mutex> hold(postLock);
    return posts;
  }

  Journal journal;  // "session" and "usb" for each Release
  std::list<FakeSession> sessions;
  std::list<CheckedDetection> detections;
  std::deque<int> nextStates;  // what each new detection object answers
  ZAVCritSec lock;
  std::atomic<bool> shuttingDown{false};
  CIZAVSocketSession* session = nullptr;
  IZAVUsbDetection* detection = nullptr;
  std::atomic<bool> ready{false};
  std::atomic<int> moduleErrors{0};
  QString line = kLine + "(old event)";
  std::vector<QString> shown;
  bool enabled = true;
  std::vector<int> modes;
  std::function<void()> onWait;

 private:
  std::mutex postLock;
  std::vector<int> posts;
};

class UsbLinkTest : public ::testing::Test {
 protected:
  UsbLinkTest() {
    QtTestApp();
    UseShippedTexts(kLanguageEnglish);  // the status-line cut needs the texts' brackets
  }
  ~UsbLinkTest() override {
    m_link.JoinWorkers();
    for (const CheckedDetection& d : m_host.detections) EXPECT_FALSE(d.usedAfterRelease);
  }
  RecordingHost m_host;
  UsbLink m_link{&m_host};
};

TEST_F(UsbLinkTest, EachDeviceEventAndWhatTheWorkerThenFinds) {
  struct Case {
    const char* what;
    UsbDeviceChange change;
    std::string name;
    std::deque<int> states;  // of the new detection object
    bool ready;
    const char* lineKey;  // appended to the status line; null: unchanged
    std::vector<int> posts;
    int recovers, moduleErrors;
    Journal released;
    const char* shown;  // null: nothing
  };
  const auto kIn = UsbDeviceChange::kArrived;
  const auto kOut = UsbDeviceChange::kRemoved;
  const Case cases[] = {
      {"robot, ready", kIn, kRobot, {1}, true, "IDS_TESTED_USB_INSERT", {1}, 0, 0,
       {"session", "usb"}, nullptr},
      {"robot, server down then ready", kIn, kRobot, {-1, 1}, true, "IDS_TESTED_USB_INSERT", {1},
       1, 0, {"session", "usb"}, nullptr},
      {"robot, module error then none", kIn, kRobot, {-7, 0}, false, "IDS_TESTED_USB_INSERT",
       {2, 2}, 0, 1, {"session", "usb"}, nullptr},
      {"another device arrives", kIn, kOther, {}, false, nullptr, {}, 0, 0, {}, nullptr},
      {"any device leaves", kOut, kOther, {}, false, "IDS_TESTED_USB_PULLED", {}, 0, 0,
       {"session", "usb"}, "IDS_SERVER_CLOSE_SUCCESS"},
  };
  for (const Case& c : cases) {
    RecordingHost host;
    host.ready = c.change == kOut || c.name == kOther;  // so that clearing it shows
    host.nextStates = c.states;
    FakeSession* oldSession = &host.sessions.front();
    {
      UsbLink link(&host);
      link.OnUsbDeviceChange(c.change, c.name);
    }  // every run has ended
    EXPECT_EQ(host.ready.load(), c.ready) << c.what;
    EXPECT_EQ(host.line, c.lineKey ? kLine + T(c.lineKey) : kLine + "(old event)") << c.what;
    EXPECT_EQ(host.Posts(), c.posts) << c.what;
    EXPECT_EQ(host.journal, c.released) << c.what;
    EXPECT_EQ(host.shown, c.shown ? std::vector<QString>{T(c.shown) + " idle"}
                                  : std::vector<QString>{})
        << c.what;
    EXPECT_EQ(host.moduleErrors.load(), c.moduleErrors) << c.what;
    const bool robot = c.change == kIn && c.name == kRobot;
    if (robot) {
      // Replaced: a new session and detection object, asked and forwarded from.
      ASSERT_EQ(host.sessions.size(), 2u) << c.what;
      EXPECT_EQ(host.session, &host.sessions.back()) << c.what;
      EXPECT_EQ(host.detection, &host.detections.back()) << c.what;
      EXPECT_EQ(host.detections.back().recovers, c.recovers) << c.what;
      EXPECT_EQ(host.detections.back().forwards,
                c.ready ? std::vector<int>{6102} : std::vector<int>{})
          << c.what;
      EXPECT_FALSE(host.enabled) << c.what << ": the window waits for the worker";
    } else if (c.change == kOut) {
      EXPECT_EQ(oldSession->stops, 1) << c.what;  // a Wi-Fi session ends too
      EXPECT_EQ(host.session, nullptr) << c.what;
      EXPECT_EQ(host.detection, nullptr) << c.what;
    }
    EXPECT_EQ(host.modes, c.lineKey ? std::vector<int>{0} : std::vector<int>{}) << c.what;
    for (const CheckedDetection& d : host.detections) EXPECT_FALSE(d.usedAfterRelease) << c.what;
  }
}

TEST_F(UsbLinkTest, ArrivalsInQuickSuccessionLeaveOneSessionOneDetectionObjectAndNoThread) {
  m_host.nextStates = {1, 1, 1};  // each run may find the newest object
  m_link.OnUsbDeviceChange(UsbDeviceChange::kArrived, kRobot);
  m_link.OnUsbDeviceChange(UsbDeviceChange::kArrived, kRobot);
  m_link.OnUsbDeviceChange(UsbDeviceChange::kArrived, kRobot);
  ASSERT_TRUE(PumpUntil([&] { return m_link.RunningWorkers() == 0; }));
  EXPECT_EQ(m_host.journal.size(), 6u);  // three sessions and three detection objects ended
  EXPECT_EQ(m_host.session, &m_host.sessions.back());
  EXPECT_EQ(m_host.detection, &m_host.detections.back());
  EXPECT_FALSE(m_host.detections.back().released);
  EXPECT_TRUE(m_host.ready.load());
}

// The run holds the lock in GetDeviceState when the device goes; the removal waits for it, and a
// robot that arrives meanwhile (the wait serves events) is handled after the removal.
TEST_F(UsbLinkTest, RemovalWaitsForARunInProgressAndEventsDuringTheWaitComeAfter) {
  auto* first = static_cast<CheckedDetection*>(m_host.detection);
  first->hold = true;
  m_link.StartWorker();
  ASSERT_TRUE(PumpUntil([&] { return first->asked > 0; }));  // the run holds the lock
  bool waited = false;
  m_host.onWait = [&] {
    if (waited) return;
    waited = true;
    EXPECT_FALSE(first->released) << "released while the run still used it";
    m_link.OnUsbDeviceChange(UsbDeviceChange::kArrived, kRobot);
    first->hold = false;
  };
  m_link.OnUsbDeviceChange(UsbDeviceChange::kRemoved, kRobot);
  first->hold = false;  // in case the removal did not wait
  EXPECT_TRUE(waited);
  EXPECT_TRUE(first->released);
  EXPECT_EQ(m_host.shown, (std::vector<QString>{T("IDS_SERVER_CLOSE_SUCCESS") + " idle"}));
  EXPECT_EQ(m_host.line, kLine + T("IDS_TESTED_USB_INSERT"));
  EXPECT_EQ(m_host.detection, &m_host.detections.back());
  EXPECT_EQ(m_host.detections.size(), 2u);
}

}  // namespace
