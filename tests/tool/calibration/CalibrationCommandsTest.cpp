// Calibrate, its replies and Reset, in the main window on a double of the session. Replies come
// from threads of their own, as the session's receive thread delivers them.

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <condition_variable>
#include <deque>

#include "app/Text.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/CaltrimIcons.h"
#include "calibration/MessageBar.h"
#include "calibration/usb/UsbInterfaceName.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

using Writes = std::vector<std::pair<int, int>>;

class CalibrationTest : public CalibrationFixture {
 protected:
  void Start(int servos) {
    WriteConfig({{"ServoNum", std::to_string(servos)}, {"ID1", "90"}, {"ID2", "120"},
                 {"ID3", "60"}});
    StartWindow();
    m_dlg->UpdateConnectionUi(CONNECT_WIFI);
  }
  QString Box(int id) { return Panel(id)->OffsetBox()->text(); }

  // Selects exactly the servos of boxes and gives their offset boxes these texts.
  void Prepare(const std::map<int, QString>& boxes) {
    for (CServoItemDlg* panel : m_dlg->ServoItems()) {
      const auto box = boxes.find(panel->ServoId());
      panel->SetSelected(box != boxes.end());
      if (box != boxes.end()) panel->OffsetBox()->setText(box->second);
    }
  }
  bool Ended() {
    return PumpUntil([&] { return MainButton(IDC_MAIN_CALIBRATE)->isEnabled(); }, 10000);
  }
  bool CalibrateShows(int icon) {
    EXPECT_FALSE(CaltrimIcon(icon).pixmap(24).isNull()) << "the image " << icon << " is in the program";
    return MainButton(IDC_MAIN_CALIBRATE)->icon().pixmap(24).toImage() ==
           CaltrimIcon(icon).pixmap(24).toImage();
  }
  // A write reply delivered on a thread of its own, then handled.
  void Reply(bool ok, int id) {
    std::thread([&] { m_dlg->OnSetCaliAngel(ok, id); }).join();
    PumpPending();
  }
};

TEST_F(CalibrationTest, CalibrateWritesTheSelectedWritableBoxesAndEndsAtTheLastReply) {
  Start(4);
  Prepare({{1, "12"}, {2, "90"}, {3, "-5"}, {4, "-89"}});
  MainButton(IDC_MAIN_CALIBRATE)->click();
  ASSERT_TRUE(PumpUntil([&] { return m_session.Writes().size() == 3; }));
  PumpPending();
  EXPECT_EQ(m_session.Writes(), (Writes{{1, 12}, {3, -5}, {4, -89}}));
  EXPECT_EQ(Box(1) + Box(2) + Box(3), "WaitFalseWait");
  EXPECT_FALSE(MainButton(IDC_MAIN_CALIBRATE)->isEnabled());
  EXPECT_TRUE(CalibrateShows(IDI_STOP));
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), T("IDS_CORRECTING_STEERING_ANGLE"));

  Reply(true, 3);
  Reply(true, 1);
  EXPECT_EQ(Box(1) + Box(3), "OkOk");
  EXPECT_EQ(Panel(1)->m_nBaseCali + Panel(3)->m_nBaseCali, 12 - 5);
  EXPECT_TRUE(Panel(1)->m_bLastOk);
  EXPECT_FALSE(MainButton(IDC_MAIN_CALIBRATE)->isEnabled()) << "servo 4 has not answered";
  Reply(true, 4);
  EXPECT_TRUE(MainButton(IDC_MAIN_CALIBRATE)->isEnabled());
  EXPECT_TRUE(CalibrateShows(IDI_TICK));
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_CHECK_ENGINE_SUCCESS"));

  // Calibrate again before anything is read: "Ok" is no value; nothing writable ends by time-out.
  m_dlg.reset();
  m_caliTimeoutMs = 200;
  Start(4);
  Prepare({{1, "Ok"}, {2, "Failed"}, {3, "Wait"}});
  MainButton(IDC_MAIN_CALIBRATE)->click();
  ASSERT_TRUE(Ended());
  EXPECT_EQ(Box(1) + Box(2) + Box(3), "FalseFalseFalse");
  EXPECT_EQ(m_session.Writes().size(), 3u) << "nothing more written";
}

TEST_F(CalibrationTest, AnUnansweredWriteKeepsWaitPastTheTimeOutAndARefusedOneTheBaseOffset) {
  m_caliTimeoutMs = 1000;
  Start(3);
  Prepare({{1, "7"}, {2, "8"}});
  MainButton(IDC_MAIN_CALIBRATE)->click();
  ASSERT_TRUE(PumpUntil([&] { return m_session.Writes().size() == 2; }));
  Reply(false, 1);
  Reply(true, 0);  // servos without a panel
  Reply(true, 4);
  EXPECT_EQ(Box(1), "Failed");
  EXPECT_FALSE(Panel(1)->m_bLastOk);
  EXPECT_EQ(Panel(1)->m_nBaseCali, 0);
  EXPECT_FALSE(MainButton(IDC_MAIN_CALIBRATE)->isEnabled()) << "replies of no panel end nothing";
  ASSERT_TRUE(Ended());
  EXPECT_EQ(Box(2), "Wait");
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_CHECK_ENGINE_SUCCESS"));

  // A late reply finds no pending write: the value last sent becomes the base offset.
  Reply(true, 2);
  EXPECT_EQ(Box(2), "Ok");
  EXPECT_EQ(Panel(2)->m_nBaseCali, 8);

  // Reset: every servo to its reference, 50 ms apart, with the offset last sent or read.
  m_session.clock.start();
  MainButton(IDC_MAIN_RESET)->click();
  EXPECT_EQ(m_session.moves, (std::vector<std::string>{"1,90,2000", "2,120,2000", "3,60,2000"}));
  for (std::size_t i = 1; i < m_session.movedAt.size(); ++i) {
    EXPECT_GE(m_session.movedAt[i] - m_session.movedAt[i - 1], 50);
  }
  EXPECT_EQ(Panel(3)->AngleBox()->text(), "60");
  EXPECT_EQ(Box(1) + "," + Box(2) + "," + Box(3), "7,8,0");
}

// A servo whose ID key is missing or holds no angle from 0 to 240 is not sent there (atoi made
// it 0, or passed 999 on); the status line names it, and the boxes show what Config.ini holds.
TEST_F(CalibrationTest, ResetMovesOnlyServosWithAReferenceAngleAndNamesTheOthers) {
  WriteConfig({{"ServoNum", "5"}, {"ID1", "90"}, {"ID3", "999"}, {"ID4", "-5"}, {"ID5", "abc"}});
  StartWindow();
  m_dlg->UpdateConnectionUi(CONNECT_WIFI);
  MainButton(IDC_MAIN_RESET)->click();
  EXPECT_EQ(m_session.moves, std::vector<std::string>{"1,90,2000"});
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_RESET_SKIPPED_SERVOS") + "2, 3, 4, 5");
  QString boxes;
  for (CServoItemDlg* panel : m_dlg->ServoItems()) {
    boxes += panel->ReferenceBox()->text() + "/" + panel->AngleBox()->text() + " ";
  }
  EXPECT_EQ(boxes, "90/90 / 999/ -5/ abc/ ");
}

// However the link goes while writes wait for their replies, the run ends with it and says so;
// its time-out, once passed, does not report the run as finished.
TEST_F(CalibrationTest, ARunCutShortByTheLinkSaysSoAndNeverFinishesLater) {
  const struct { const char* what; std::function<void()> cut; } cases[] = {
      {"Disconnect", [this] { MainButton(IDC_MAIN_CONNECT)->click(); }},
      {"link lost",
       [this] { m_dlg->PostMessage(WM_SESSION_STATE, ZAV_SESSION_ENDED, ZAV_SESSION_END_LINK_LOST); }},
      {"robot unplugged",
       [this] { m_usbEvents->Send(UsbDeviceChange::kRemoved, MakeUsbInterfaceName("18d1", "4e26", "1")); }},
  };
  // Long enough that the run is still under way when the link goes on a busy machine.
  m_caliTimeoutMs = 1000;
  for (const auto& c : cases) {
    Start(2);
    Prepare({{1, "7"}, {2, "8"}});
    const std::size_t before = m_session.Writes().size();
    MainButton(IDC_MAIN_CALIBRATE)->click();
    ASSERT_TRUE(PumpUntil([&] { return m_session.Writes().size() == before + 2; })) << c.what;
    Reply(true, 1);
    c.cut();
    PumpPending();
    EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_CALIBRATION_LINK_LOST")) << c.what;
    bool timeOutPassed = false;
    QTimer::singleShot(2 * m_caliTimeoutMs, [&] { timeOutPassed = true; });
    ASSERT_TRUE(PumpUntil([&] { return timeOutPassed; }));
    EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_CALIBRATION_LINK_LOST")) << c.what;
    EXPECT_TRUE(CalibrateShows(IDI_TICK)) << c.what;
    m_dlg.reset();
  }
}

TEST_F(CalibrationTest, CalibrateWithNothingSelectedOnlySaysSo) {
  Start(2);
  Prepare({});
  MainButton(IDC_MAIN_CALIBRATE)->click();
  EXPECT_EQ(m_prompt.Texts(), std::vector<QString>{T("IDS_SELECT_STEERING_CORRECTION")});
  EXPECT_TRUE(MainButton(IDC_MAIN_CALIBRATE)->isEnabled());
}

// A robot that answers every write at once, from a receive thread of its own.
class InstantRobot {
 public:
  InstantRobot(FakeSession* session, IZAVSocketSessionEvent* sink)
      : m_thread([this, sink] { Answer(sink); }) {
    session->onWrite = [this](int id) {
      std::lock_guard<std::mutex> hold(m_lock);
      m_ids.push_back(id);
      m_ready.notify_one();
    };
  }
  ~InstantRobot() {
    {
      std::lock_guard<std::mutex> hold(m_lock);
      m_bStop = true;
    }
    m_ready.notify_one();
    m_thread.join();
  }

 private:
  void Answer(IZAVSocketSessionEvent* sink) {
    std::unique_lock<std::mutex> hold(m_lock);
    while (true) {
      m_ready.wait(hold, [&] { return m_bStop || !m_ids.empty(); });
      if (m_ids.empty()) return;
      const int id = m_ids.front();
      m_ids.pop_front();
      hold.unlock();
      sink->OnSetCaliAngel(true, id);
      hold.lock();
    }
  }

  std::mutex m_lock;
  std::condition_variable m_ready;
  std::deque<int> m_ids;
  bool m_bStop = false;
  std::thread m_thread;
};

// However the worker's writes and the instant replies interleave, every reply finds its write,
// every box ends "Ok" and the run ends at the last reply, long before its time-out.
TEST_F(CalibrationTest, InstantRepliesToTwentyWritesAllFindTheirPairs) {
  m_caliTimeoutMs = 60000;
  Start(20);
  InstantRobot robot(&m_session, m_dlg.get());
  for (int run = 0; run < 100; ++run) {
    for (CServoItemDlg* panel : m_dlg->ServoItems()) panel->OffsetBox()->setText("5");
    MainButton(IDC_MAIN_CALIBRATE)->click();
    ASSERT_TRUE(Ended()) << "run " << run;
    for (CServoItemDlg* panel : m_dlg->ServoItems()) {
      ASSERT_EQ(panel->OffsetBox()->text(), "Ok") << "run " << run << ", servo " << panel->ServoId();
    }
  }
  EXPECT_EQ(m_session.Writes().size(), 2000u);
}

}  // namespace
