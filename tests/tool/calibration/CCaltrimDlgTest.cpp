#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QThread>
#include <QToolButton>
#include <atomic>
#include <thread>

#include "app/Text.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/MainWindowRules.h"
#include "calibration/MessageBar.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

const QString kIndent(39, QLatin1Char(' '));

class MainWindowTest : public CalibrationFixture {
 protected:
  QToolButton* Button(int id) { return Control<QToolButton>(m_dlg.get(), id); }
  QCheckBox* SelectAll() { return Control<QCheckBox>(m_dlg.get(), IDC_MAIN_SELECT_ALL); }
  MessageBar* Bar() { return m_dlg->MessageDisplay(); }
  CServoItemDlg* Panel(int id) { return m_dlg->ServoItems().at(id - 1); }
  QCheckBox* PanelBox(int id) { return Control<QCheckBox>(Panel(id), IDC_SERVO_SELECT); }

  void Post(unsigned int msg, WPARAM w, LPARAM l) {
    m_dlg->PostMessage(msg, w, l);
    PumpPending();
  }

  // Connect pressed, robot R at 10.0.0.5 picked in Wi-Fi mode and confirmed.
  void ConnectToRobot() {
    Button(IDC_MAIN_CONNECT)->click();
    m_dlg->OnFoundDevice({L"R", L"2", L"10.0.0.5", L"00:11"});
    m_dlg->DevList()->List()->selectRow(0);
    m_dlg->DevList()->OnConnect();
  }

  bool CommandsEnabled() {
    return Button(IDC_MAIN_READ_CHECK)->isEnabled() && Button(IDC_MAIN_RESET)->isEnabled() &&
           Button(IDC_MAIN_CALIBRATE)->isEnabled();
  }
  bool CommandsDisabled() {
    return !Button(IDC_MAIN_READ_CHECK)->isEnabled() && !Button(IDC_MAIN_RESET)->isEnabled() &&
           !Button(IDC_MAIN_CALIBRATE)->isEnabled() &&
           !Button(IDC_MAIN_READ_ANGLE)->isEnabled() && !Button(IDC_MAIN_SPARE)->isEnabled() &&
           !Button(IDC_MAIN_SERIAL_NUMBER)->isEnabled();
  }
  bool PanelsEnabled(bool enabled) {
    for (CServoItemDlg* panel : m_dlg->ServoItems()) {
      if (panel->m_bEnabled != enabled || panel->AngleBox()->isEnabled() != enabled ||
          PanelBox(panel->ServoId())->isEnabled() != enabled) {
        return false;
      }
    }
    return true;
  }
};

TEST_F(MainWindowTest, StartUpBuildsControlsPanelsAndLinkObjects) {
  WriteConfig({{"ServoNum", "3"}, {"ID1", "90"}, {"ID2", "120"}});  // ID3 missing
  m_dlg = std::make_unique<CCaltrimDlg>(Env());
  m_dlg->OnInitDialog();

  // Before the USB worker reports: Connect disabled, the busy start-up text.
  EXPECT_FALSE(Button(IDC_MAIN_CONNECT)->isEnabled());
  EXPECT_EQ(Bar()->text(), T("IDS_INITIALIZING_PROGRAM"));
  EXPECT_TRUE(Bar()->IsMarquee());
  EXPECT_EQ(Bar()->BarColor(), QColor(51, 153, 255));

  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_READY"));
  for (int id : {IDC_MAIN_READ_ANGLE, IDC_MAIN_SERIAL_NUMBER, IDC_MAIN_LANGUAGE, IDC_MAIN_SPARE}) {
    EXPECT_TRUE(Button(id)->isHidden()) << id;
  }
  EXPECT_TRUE(CommandsDisabled());
  EXPECT_EQ(Button(IDC_MAIN_CONNECT)->text(), T("IDS_CONNECT_ROBOT"));
  EXPECT_EQ(Button(IDC_MAIN_CONNECT)->toolTip(), T("IDS_CONNECT_TO_ROBOT"));
  EXPECT_EQ(Button(IDC_MAIN_EXIT)->toolTip(), T("IDS_EXIT_PROGRAM"));
  EXPECT_FALSE(Button(IDC_MAIN_ABOUT)->icon().isNull());
  EXPECT_TRUE(SelectAll()->isChecked());
  EXPECT_EQ(m_dlg->windowTitle(), T("IDS_VORLA_CALIBRATION_SOFTWARE") + "0.0.0.0");

  // The panel row: one per servo, side by side from the command column's right edge.
  ASSERT_EQ(m_dlg->ServoItems().size(), 3u);
  const QRect group = Control<QGroupBox>(m_dlg.get(), IDC_MAIN_COMMAND_GROUP)->geometry();
  int x = group.right() + 1;
  for (int id = 1; id <= 3; ++id) {
    CServoItemDlg* panel = Panel(id);
    EXPECT_EQ(panel->ServoId(), id);
    EXPECT_EQ(panel->pos(), QPoint(x, group.top()));
    x += panel->width();
    EXPECT_EQ(Control<QLabel>(panel, IDC_SERVO_NUMBER)->text(), QString::number(id));
    EXPECT_EQ(PanelBox(id)->text(), QString::number(id));
    EXPECT_TRUE(PanelBox(id)->isChecked());
    EXPECT_FALSE(panel->m_bEnabled);
  }
  EXPECT_EQ(Panel(1)->ReferenceBox()->text(), "90");
  EXPECT_EQ(Panel(1)->AngleBox()->text(), "90");
  EXPECT_EQ(Panel(1)->OffsetBox()->text(), "0");
  EXPECT_EQ(Panel(2)->AngleBox()->text(), "120");
  // A missing ID key leaves all three boxes empty.
  EXPECT_EQ(Panel(3)->ReferenceBox()->text(), "");
  EXPECT_EQ(Panel(3)->AngleBox()->text(), "");
  EXPECT_EQ(Panel(3)->OffsetBox()->text(), "");

  // The link objects got this window.
  EXPECT_EQ(m_broadcast.window, static_cast<HWND>(m_dlg.get()));
  EXPECT_EQ(m_broadcast.sink, static_cast<IZAVBroadcastEvent*>(m_dlg.get()));
  EXPECT_EQ(m_dlg->m_pSession, &m_session);
  EXPECT_EQ(m_usb.mode, 2);
  EXPECT_EQ(m_usb.sink, static_cast<IZAVUsbAdbEvent*>(m_dlg.get()));
  EXPECT_EQ(m_usb.owner, static_cast<HWND>(m_dlg.get()));
  ASSERT_NE(m_dlg->DevList(), nullptr);
  EXPECT_FALSE(m_dlg->DevList()->isVisible());

  // The worker found no USB robot: Connect enabled, idle text.
  ASSERT_TRUE(PumpUntil([&] { return Button(IDC_MAIN_CONNECT)->isEnabled(); }));
  EXPECT_FALSE(m_dlg->m_bUsbReady);
  EXPECT_TRUE(m_dlg->isEnabled());
  EXPECT_EQ(Bar()->text(), kIndent + T("IDS_SERVER_RUN_SUCCESS"));
  EXPECT_FALSE(Bar()->IsMarquee());
  EXPECT_EQ(Bar()->BarColor(), QColor(240, 240, 240));
  EXPECT_EQ(Bar()->value(), 0);
  EXPECT_TRUE(m_prompt.boxes.empty());
}

class ServoCountTest : public MainWindowTest,
                       public ::testing::WithParamInterface<std::pair<const char*, size_t>> {};

TEST_P(ServoCountTest, PanelRowFollowsServoNum) {
  const auto [text, panels] = GetParam();
  std::map<QString, QString> config;
  if (text != nullptr) config["ServoNum"] = text;
  WriteConfig(config);
  StartWindow();
  EXPECT_EQ(m_dlg->ServoItems().size(), panels);
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_READY"));
  if (panels > 0) {
    EXPECT_EQ(m_dlg->ServoItems().back()->ServoId(), static_cast<int>(panels));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ServoCountTest,
    ::testing::Values(std::make_pair(nullptr, size_t{0}), std::make_pair("0", size_t{0}),
                      std::make_pair("abc", size_t{0}), std::make_pair("-3", size_t{0}),
                      std::make_pair(" 4 servos", size_t{4}), std::make_pair("20", size_t{20}),
                      std::make_pair("25", size_t{20})));

TEST_F(MainWindowTest, UpdateConnectionUiForEachMode) {
  StartWindow();
  for (int mode : {1, 2}) {
    m_dlg->UpdateConnectionUi(mode);
    EXPECT_EQ(m_dlg->m_nConnectType, mode);
    EXPECT_TRUE(CommandsEnabled());
    EXPECT_TRUE(Button(IDC_MAIN_SPARE)->isEnabled());
    EXPECT_TRUE(PanelsEnabled(true));
    EXPECT_EQ(Button(IDC_MAIN_CONNECT)->text(), T("IDS_DISCONNECT"));
    EXPECT_EQ(Button(IDC_MAIN_CONNECT)->toolTip(), T("IDS_DISCONNECT_ROBOT"));
  }
  // Any other non-zero mode enables the commands but leaves the Connect button as it was.
  m_dlg->UpdateConnectionUi(7);
  EXPECT_EQ(m_dlg->m_nConnectType, 7);
  EXPECT_TRUE(CommandsEnabled());
  EXPECT_EQ(Button(IDC_MAIN_CONNECT)->text(), T("IDS_DISCONNECT"));

  m_dlg->UpdateConnectionUi(0);
  EXPECT_EQ(m_dlg->m_nConnectType, 0);
  EXPECT_TRUE(CommandsDisabled());
  EXPECT_TRUE(PanelsEnabled(false));
  EXPECT_EQ(Button(IDC_MAIN_CONNECT)->text(), T("IDS_CONNECT_ROBOT"));
  EXPECT_EQ(Button(IDC_MAIN_CONNECT)->toolTip(), T("IDS_CONNECT_TO_ROBOT"));
  // Hidden buttons stay hidden whatever the mode.
  EXPECT_TRUE(Button(IDC_MAIN_READ_ANGLE)->isHidden());
}

TEST_F(MainWindowTest, ConnectingOverWifiShowsTheRobotAndReadsEveryServo) {
  StartWindow();
  Button(IDC_MAIN_CONNECT)->click();
  EXPECT_FALSE(m_dlg->isEnabled());
  EXPECT_TRUE(m_dlg->DevList()->isVisible());
  EXPECT_FALSE(m_dlg->DevList()->IsUsbMode());
  EXPECT_EQ(m_dlg->m_nConnectType, 1);

  m_dlg->OnFoundDevice({L"R", L"2", L"10.0.0.5", L"00:11"});
  m_dlg->DevList()->List()->selectRow(0);
  m_dlg->DevList()->OnConnect();
  EXPECT_TRUE(m_dlg->isEnabled());
  EXPECT_FALSE(m_dlg->DevList()->isVisible());
  ASSERT_EQ(m_session.starts.size(), 1u);
  EXPECT_EQ(m_session.starts[0].ip, "10.0.0.5");
  EXPECT_EQ(m_session.starts[0].timeout, 10);
  EXPECT_EQ(m_session.starts[0].window, static_cast<HWND>(m_dlg.get()));
  EXPECT_EQ(m_session.starts[0].sink, static_cast<IZAVSocketSessionEvent*>(m_dlg.get()));
  EXPECT_EQ(Bar()->text(), T("IDS_WIFI_CONNECT_ROBOT"));
  EXPECT_TRUE(Bar()->IsMarquee());

  Post(WM_SESSION_STATE, 1, 0);  // connecting: nothing changes
  EXPECT_TRUE(Bar()->IsMarquee());
  EXPECT_TRUE(CommandsDisabled());

  Post(WM_SESSION_STATE, 2, 0);
  EXPECT_EQ(m_session.caliReads, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_WIFI_CONNECT_SUCCESS_TIP") + "R  " +
                                     T("IDS_DEVICE_IP_ADDRESS") + "10.0.0.5" +
                                     T("IDS_PORT_NUMBER") + "6102");
  EXPECT_EQ(Bar()->text(), kIndent + T("IDS_CONNECT_ROBOT_SUCCESS"));
  EXPECT_EQ(Button(IDC_MAIN_CONNECT)->text(), T("IDS_DISCONNECT"));
  EXPECT_TRUE(PanelsEnabled(true));
  EXPECT_TRUE(CommandsEnabled());
  // Read check asks again and pauses for half a second.
  Button(IDC_MAIN_READ_CHECK)->click();
  EXPECT_EQ(m_session.caliReads, (std::vector<int>{1, 2, 3, 1, 2, 3}));
  EXPECT_FALSE(Button(IDC_MAIN_READ_CHECK)->isEnabled());
  EXPECT_TRUE(PumpUntil([&] { return Button(IDC_MAIN_READ_CHECK)->isEnabled(); }, 2000));
}

TEST_F(MainWindowTest, ReadCaliValuesApplyToTheirPanelInOrderAndIgnoreUnknownIds) {
  StartWindow();
  ConnectToRobot();
  Post(WM_SESSION_STATE, 2, 0);
  std::thread receive([this] {
    m_dlg->OnReadServoCaliAngel(true, 2, 12);
    m_dlg->OnReadServoCaliAngel(false, 1, 0);
    m_dlg->OnReadServoCaliAngel(true, 1, -7);
    m_dlg->OnReadServoCaliAngel(true, 0, 55);
    m_dlg->OnReadServoCaliAngel(true, 4, 55);
    m_dlg->OnReadCurrentAngel(true, 3, 101);
  });
  receive.join();
  PumpPending();
  EXPECT_EQ(Panel(2)->OffsetBox()->text(), "12");
  EXPECT_EQ(Panel(2)->m_nBaseCali, 12);
  EXPECT_EQ(m_dlg->m_fCaliValue[1], 12.0f);
  EXPECT_EQ(Panel(1)->OffsetBox()->text(), "-7");  // the later reply wins
  EXPECT_TRUE(Panel(1)->m_bLastOk);
  EXPECT_TRUE(Panel(1)->m_bEnabled);
  EXPECT_EQ(Panel(3)->AngleBox()->text(), "101");
  EXPECT_EQ(Panel(3)->OffsetBox()->text(), "0");

  m_dlg->OnReadServoCaliAngel(false, 3, 0);
  EXPECT_FALSE(Panel(3)->m_bEnabled);
  EXPECT_FALSE(Panel(3)->OffsetBox()->isEnabled());
  EXPECT_EQ(Panel(3)->OffsetBox()->palette().color(QPalette::Active, QPalette::Text),
            QColor(255, 0, 0));
}

class SessionEndTest : public MainWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(SessionEndTest, EndedRunClearsTheTargetAndShowsItsText) {
  const int reason = GetParam();
  StartWindow();
  ConnectToRobot();
  Post(WM_SESSION_STATE, 2, 0);
  Post(WM_SESSION_STATE, 3, reason);
  EXPECT_EQ(m_session.stops, 1);
  EXPECT_TRUE(m_dlg->m_strDevName.isEmpty());
  EXPECT_TRUE(m_dlg->m_strIP.isEmpty());
  EXPECT_EQ(m_dlg->m_nPort, 0);
  EXPECT_EQ(m_dlg->m_nConnectType, 0);
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_STATE_DISCONNECT"));
  EXPECT_EQ(Bar()->text(), kIndent + T(reason == 0 ? "IDS_CONNECT_FAIL" : "IDS_CONNECT_DISCONNECTED"));
  EXPECT_EQ(Button(IDC_MAIN_CONNECT)->text(), T("IDS_CONNECT_ROBOT"));
  EXPECT_TRUE(CommandsDisabled());
  EXPECT_TRUE(PanelsEnabled(false));
}

INSTANTIATE_TEST_SUITE_P(Reasons, SessionEndTest, ::testing::Values(0, 1, 2, 3, 4));

TEST_F(MainWindowTest, DisconnectStopsTheSessionAndOffersConnectAgain) {
  StartWindow();
  ConnectToRobot();
  Post(WM_SESSION_STATE, 2, 0);
  Button(IDC_MAIN_CONNECT)->click();
  EXPECT_EQ(m_session.stops, 1);
  EXPECT_FALSE(m_dlg->DevList()->isVisible());
  EXPECT_TRUE(m_dlg->isEnabled());
  EXPECT_EQ(m_dlg->m_nConnectType, 0);
  EXPECT_EQ(Bar()->text(), kIndent + T("IDS_DISCONNECTED"));
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_STATE_DISCONNECT"));
  EXPECT_EQ(Button(IDC_MAIN_CONNECT)->text(), T("IDS_CONNECT_ROBOT"));
  EXPECT_TRUE(CommandsDisabled());
  // Pressed again, it connects.
  Button(IDC_MAIN_CONNECT)->click();
  EXPECT_TRUE(m_dlg->DevList()->isVisible());
  EXPECT_EQ(m_session.stops, 1);
}

TEST_F(MainWindowTest, ConnectOpensUsbModeWhenARobotIsReadyOnUsb) {
  m_usb.states = {1};
  StartWindow();
  EXPECT_TRUE(m_dlg->m_bUsbReady);
  EXPECT_EQ(m_usb.forwards, (std::vector<int>{6102}));
  Button(IDC_MAIN_CONNECT)->click();
  EXPECT_TRUE(m_dlg->DevList()->IsUsbMode());
  EXPECT_EQ(m_dlg->m_nConnectType, 2);
}

TEST_F(MainWindowTest, SelectAllSetsEveryPanelAndFollowsThePanels) {
  StartWindow();
  SelectAll()->click();  // checked -> cleared
  for (int id = 1; id <= 3; ++id) EXPECT_FALSE(PanelBox(id)->isChecked());
  SelectAll()->click();
  for (int id = 1; id <= 3; ++id) EXPECT_TRUE(PanelBox(id)->isChecked());

  // A panel's box cleared: Select all clears; the last box checked again: Select all checks.
  m_dlg->UpdateConnectionUi(1);
  PanelBox(2)->click();
  PumpPending();
  EXPECT_FALSE(SelectAll()->isChecked());
  EXPECT_TRUE(PanelBox(1)->isChecked());
  PanelBox(1)->click();
  PumpPending();
  EXPECT_FALSE(SelectAll()->isChecked());
  PanelBox(1)->click();
  PumpPending();
  EXPECT_FALSE(SelectAll()->isChecked());  // box 2 still cleared
  PanelBox(2)->click();
  PumpPending();
  EXPECT_TRUE(SelectAll()->isChecked());

  Post(WM_SERVO_CHECK_CHANGED, 5, 1);  // unknown change: nothing
  EXPECT_TRUE(SelectAll()->isChecked());
}

TEST(SelectAllRule, FollowsTheBoxes) {
  EXPECT_EQ(SelectAllAfterPanelChange(1, {true, true}), false);
  EXPECT_EQ(SelectAllAfterPanelChange(0, {true, true}), true);
  EXPECT_EQ(SelectAllAfterPanelChange(0, {true, false}), false);
  EXPECT_EQ(SelectAllAfterPanelChange(2, {true}), std::nullopt);
}

TEST_F(MainWindowTest, ConnectNoticeShowsItsBusyTextOnlyForKnownKinds) {
  StartWindow();
  Post(WM_CONNECT_NOTICE, 0, 0);
  EXPECT_EQ(Bar()->text(), T("IDS_USB_CONNECT_ROBOT"));
  EXPECT_TRUE(Bar()->IsMarquee());
  Post(WM_CONNECT_NOTICE, 1, 0);
  EXPECT_EQ(Bar()->text(), T("IDS_WIFI_CONNECT_ROBOT"));
  Post(WM_CONNECT_NOTICE, 2, 0);
  EXPECT_EQ(Bar()->text(), T("IDS_WIFI_CONNECT_ROBOT"));
}

TEST_F(MainWindowTest, ShutdownReleasesInOrderAndIsSafeTwice) {
  StartWindow();
  m_dlg->Shutdown();
  EXPECT_EQ(m_journal, (Journal{"usb", "broadcast", "session"}));
  EXPECT_TRUE(m_dlg->ServoItems().empty());
  EXPECT_EQ(m_dlg->m_pSession, nullptr);
  EXPECT_EQ(m_dlg->m_pBroadcast, nullptr);
  EXPECT_EQ(m_dlg->m_pUsbDetection, nullptr);
  EXPECT_FALSE(m_dlg->isEnabled());
  EXPECT_EQ(Bar()->text(), T("IDS_EXITING_PROGRAM"));

  Bar()->ShowIdle("other");
  m_dlg->Shutdown();
  EXPECT_EQ(m_journal.size(), 3u);
  EXPECT_EQ(Bar()->text(), T("IDS_EXITING_PROGRAM"));
}

TEST_F(MainWindowTest, ShutdownWaitsForAUsbWorkerThatShowsAMessage) {
  // The worker holds the lock while its message box needs this thread: shut-down must keep
  // serving the box while it waits for the lock, or neither side ever goes on.
  m_usb.states = {-7, 0};
  m_prompt.onUiThread = true;
  m_dlg = std::make_unique<CCaltrimDlg>(Env());
  m_dlg->OnInitDialog();
  while (m_usb.asked == 0) QThread::msleep(1);  // the worker holds the lock now
  m_dlg->Shutdown();
  EXPECT_EQ(m_prompt.Texts(), (std::vector<QString>{"ADB Module Error!"}));
  EXPECT_EQ(m_usb.asked, 2);
  EXPECT_EQ(m_journal, (Journal{"usb", "broadcast", "session"}));
}

TEST_F(MainWindowTest, ClosingByTheFrameShutsDownAndCloses) {
  StartWindow();
  m_dlg->show();
  EXPECT_TRUE(m_dlg->close());
  EXPECT_FALSE(m_dlg->isVisible());
  EXPECT_EQ(m_dlg->result(), QDialog::Rejected);
  EXPECT_EQ(m_journal.size(), 3u);
}

TEST_F(MainWindowTest, ExitButtonClosesWithOk) {
  StartWindow();
  m_dlg->show();
  Button(IDC_MAIN_EXIT)->click();
  EXPECT_FALSE(m_dlg->isVisible());
  EXPECT_EQ(m_dlg->result(), QDialog::Accepted);
  EXPECT_EQ(m_journal.size(), 3u);
}

TEST_F(MainWindowTest, DiscoveryFailureAsksAndNoEndsTheProgram) {
  m_broadcast.startResult = false;
  m_prompt.answers = {IDNO};
  StartWindow();
  ASSERT_EQ(m_prompt.boxes.size(), 1u);
  EXPECT_EQ(m_prompt.boxes[0].text, T("IDS_TESTED_VORLA_ERROR"));
  EXPECT_EQ(m_prompt.boxes[0].caption, T("IDS_DEVICE_SCAN_TIPS"));
  EXPECT_EQ(m_prompt.boxes[0].style, MB_YESNO);
  EXPECT_TRUE(PumpUntil([&] { return m_journal.size() == 3; }));
}

TEST_F(MainWindowTest, DiscoveryFailureAnsweredYesGoesOn) {
  m_bBroadcastFactoryWorks = false;
  StartWindow();
  EXPECT_EQ(m_prompt.boxes.size(), 1u);
  EXPECT_TRUE(Button(IDC_MAIN_CONNECT)->isEnabled());
  EXPECT_TRUE(m_journal.empty());
}

TEST_F(MainWindowTest, PostedMessagesFromOtherThreadsKeepTheirOrder) {
  StartWindow();
  ConnectToRobot();
  std::thread receive([this] {
    m_dlg->PostMessage(WM_SESSION_STATE, 1, 0);
    m_dlg->PostMessage(WM_SESSION_STATE, 2, 0);
    m_dlg->PostMessage(WM_SESSION_STATE, 3, 3);
  });
  receive.join();
  EXPECT_EQ(m_session.stops, 0);  // nothing is handled on the posting thread
  PumpPending();
  EXPECT_EQ(m_session.stops, 1);
  EXPECT_EQ(m_dlg->m_nConnectType, 0);
  EXPECT_EQ(Bar()->text(), kIndent + T("IDS_CONNECT_DISCONNECTED"));
}

TEST_F(MainWindowTest, DiscoveryThreadWaitsUntilItsRowIsListed) {
  StartWindow();
  std::atomic<bool> delivered{false};
  std::thread discovery([&] {
    m_dlg->OnFoundDevice({L"R", L"1", L"10.0.0.9", L"aa"});
    delivered = true;
  });
  QThread::msleep(50);
  EXPECT_FALSE(delivered);  // the row needs the user-interface thread
  EXPECT_EQ(m_dlg->DevList()->List()->rowCount(), 0);
  EXPECT_TRUE(PumpUntil([&] { return delivered.load(); }));
  discovery.join();
  EXPECT_EQ(m_dlg->DevList()->List()->rowCount(), 1);
}

TEST(MessageRules, TextsOfConnectionChanges) {
  EXPECT_STREQ(EndedMessageKey(0), "IDS_CONNECT_FAIL");
  EXPECT_STREQ(EndedMessageKey(4), "IDS_CONNECT_DISCONNECTED");
  EXPECT_STREQ(ConnectedMessageKey(2), "IDS_USB_CONNECT_ROBOT_SUCCESS");
  EXPECT_EQ(ConnectedMessageKey(0), nullptr);
  EXPECT_EQ(ConnectedStatusLine(2, "U", "127.0.0.1", 6102),
            T("IDS_USB_CONNECT_SUCCESS_TIP") + "U  " + T("IDS_DEVICE_IP_ADDRESS") + "127.0.0.1" +
                T("IDS_PORT_NUMBER") + "6102");
  EXPECT_EQ(IdleBarText("x"), QString(39, ' ') + "x");
}

}  // namespace
