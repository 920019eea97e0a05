#include <QCheckBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <thread>

#include "app/Text.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/MessageBar.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

const QString kIndent(39, QLatin1Char(' '));  // before every idle text

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

  // The connection UI: commands and panels usable when connected, and the Connect button's
  // caption.
  void ExpectConnectedUi(bool connected) {
    for (int id : {IDC_MAIN_READ_CHECK, IDC_MAIN_RESET, IDC_MAIN_CALIBRATE, IDC_MAIN_SPARE}) {
      EXPECT_EQ(Button(id)->isEnabled(), connected) << id;
    }
    for (CServoItemDlg* panel : m_dlg->ServoItems()) {
      EXPECT_EQ(panel->m_bEnabled, connected) << panel->ServoId();
      EXPECT_EQ(panel->AngleBox()->isEnabled(), connected) << panel->ServoId();
      EXPECT_EQ(PanelBox(panel->ServoId())->isEnabled(), connected) << panel->ServoId();
    }
    EXPECT_EQ(Button(IDC_MAIN_CONNECT)->text(),
              T(connected ? "IDS_DISCONNECT" : "IDS_CONNECT_ROBOT"));
  }
};

TEST_F(MainWindowTest, StartUpBuildsThePanelRowAndWaitsForTheUsbWorker) {
  WriteConfig({{"ServoNum", "3"}, {"ID1", "90"}, {"ID2", "120"}});  // ID3 missing
  m_dlg = std::make_unique<CCaltrimDlg>(Env());
  m_dlg->OnInitDialog();
  EXPECT_FALSE(Button(IDC_MAIN_CONNECT)->isEnabled()) << "until the USB worker reports";
  EXPECT_EQ(Bar()->text(), T("IDS_INITIALIZING_PROGRAM"));
  EXPECT_TRUE(Bar()->IsMarquee());
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_READY"));
  EXPECT_EQ(m_dlg->windowTitle(), T("IDS_VORLA_CALIBRATION_SOFTWARE") + "0.0.0.0");
  for (int id : {IDC_MAIN_READ_ANGLE, IDC_MAIN_SERIAL_NUMBER, IDC_MAIN_LANGUAGE, IDC_MAIN_SPARE}) {
    EXPECT_TRUE(Button(id)->isHidden()) << id;
  }
  ExpectConnectedUi(false);
  EXPECT_TRUE(SelectAll()->isChecked());

  // One panel per servo, side by side from the command column's right edge.
  ASSERT_EQ(m_dlg->ServoItems().size(), 3u);
  const QRect group = Control<QGroupBox>(m_dlg.get(), IDC_MAIN_COMMAND_GROUP)->geometry();
  int x = group.right() + 1;
  for (int id = 1; id <= 3; ++id) {
    EXPECT_EQ(Panel(id)->ServoId(), id);
    EXPECT_EQ(Panel(id)->pos(), QPoint(x, group.top()));
    x += Panel(id)->width();
    EXPECT_EQ(Control<QLabel>(Panel(id), IDC_SERVO_NUMBER)->text(), QString::number(id));
    EXPECT_TRUE(PanelBox(id)->isChecked());
  }
  EXPECT_EQ(Panel(1)->ReferenceBox()->text() + Panel(1)->AngleBox()->text(), "9090");
  EXPECT_EQ(Panel(1)->OffsetBox()->text(), "0");
  EXPECT_EQ(Panel(2)->AngleBox()->text(), "120");
  EXPECT_EQ(Panel(3)->ReferenceBox()->text() + Panel(3)->AngleBox()->text() +
                Panel(3)->OffsetBox()->text(),
            "")
      << "a missing ID key leaves the panel's boxes empty";

  EXPECT_FALSE(m_dlg->DevList()->isVisible());

  // The worker found no USB robot: Connect enabled, the idle text.
  ASSERT_TRUE(PumpUntil([&] { return Button(IDC_MAIN_CONNECT)->isEnabled(); }));
  EXPECT_FALSE(m_dlg->m_bUsbReady);
  EXPECT_EQ(Bar()->text(), kIndent + T("IDS_SERVER_RUN_SUCCESS"));
  EXPECT_FALSE(Bar()->IsMarquee());
  EXPECT_TRUE(m_prompt.boxes.empty());
}

TEST_F(MainWindowTest, PanelRowFollowsServoNum) {
  const std::pair<const char*, size_t> cases[] = {
      {nullptr, 0}, {"0", 0}, {"abc", 0}, {"-3", 0}, {" 4 servos", 4}, {"20", 20}, {"25", 20}};
  for (const auto& [text, panels] : cases) {
    WriteConfig(text ? std::map<std::string, std::string>{{"ServoNum", text}}
                     : std::map<std::string, std::string>{});
    StartWindow();
    EXPECT_EQ(m_dlg->ServoItems().size(), panels) << (text ? text : "missing");
    if (panels > 0) {
      EXPECT_EQ(m_dlg->ServoItems().back()->ServoId(), static_cast<int>(panels));
    }
  }
}

TEST_F(MainWindowTest, UpdateConnectionUiForEachMode) {
  StartWindow();
  for (int mode : {1, 2, 0, 7}) {
    m_dlg->UpdateConnectionUi(mode);
    EXPECT_EQ(m_dlg->m_nConnectType, mode);
    if (mode != 7) ExpectConnectedUi(mode != 0);
  }
  // Any other non-zero mode enables the commands but leaves the Connect button as it was.
  EXPECT_TRUE(Button(IDC_MAIN_CALIBRATE)->isEnabled());
  EXPECT_EQ(Button(IDC_MAIN_CONNECT)->text(), T("IDS_CONNECT_ROBOT"));
  EXPECT_TRUE(Button(IDC_MAIN_READ_ANGLE)->isHidden()) << "hidden whatever the mode";
}

TEST_F(MainWindowTest, ConnectingOverWifiToTheFirstSelectedRowShowsTheRobotAndReadsEveryServo) {
  StartWindow();
  Button(IDC_MAIN_CONNECT)->click();
  EXPECT_FALSE(m_dlg->isEnabled());
  EXPECT_TRUE(m_dlg->DevList()->isVisible());
  EXPECT_FALSE(m_dlg->DevList()->IsUsbMode());
  QTableWidget* list = m_dlg->DevList()->List();
  for (const std::wstring n : {L"1", L"2", L"3", L"4", L"5"}) {
    m_dlg->OnFoundDevice({L"R" + n, L"2", L"10.0.0." + n, L"m" + n});
  }
  // Rows 4 and 2, the later one selected first.
  for (int row : {3, 1}) {
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  Control<QPushButton>(m_dlg->DevList(), IDC_DEVLIST_CONNECT)->click();
  EXPECT_TRUE(m_dlg->isEnabled());
  EXPECT_FALSE(m_dlg->DevList()->isVisible());
  EXPECT_EQ(m_dlg->m_strDevName + " " + m_dlg->m_strIP, "R2 10.0.0.2");
  EXPECT_EQ(m_dlg->m_nPort, 6102);
  EXPECT_EQ(m_dlg->m_nConnectType, 1);
  ASSERT_EQ(m_session.starts.size(), 1u);
  EXPECT_EQ(m_session.starts[0].ip, "10.0.0.2");
  EXPECT_EQ(m_session.starts[0].timeout, 10);
  EXPECT_EQ(m_session.starts[0].window, static_cast<HWND>(m_dlg.get()));
  EXPECT_EQ(m_session.starts[0].sink, static_cast<IZAVSocketSessionEvent*>(m_dlg.get()));
  EXPECT_TRUE(m_prompt.boxes.empty());
  EXPECT_EQ(Bar()->text(), T("IDS_WIFI_CONNECT_ROBOT"));
  EXPECT_TRUE(Bar()->IsMarquee());

  Post(WM_SESSION_STATE, 1, 0);  // connecting: nothing changes
  EXPECT_TRUE(Bar()->IsMarquee());
  EXPECT_FALSE(Button(IDC_MAIN_CALIBRATE)->isEnabled());

  Post(WM_SESSION_STATE, 2, 0);
  EXPECT_EQ(m_session.caliReads, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_WIFI_CONNECT_SUCCESS_TIP") + "R2  " +
                                     T("IDS_DEVICE_IP_ADDRESS") + "10.0.0.2" +
                                     T("IDS_PORT_NUMBER") + "6102");
  EXPECT_EQ(Bar()->text(), kIndent + T("IDS_CONNECT_ROBOT_SUCCESS"));
  ExpectConnectedUi(true);
  // Read check asks again and pauses for half a second.
  Button(IDC_MAIN_READ_CHECK)->click();
  EXPECT_EQ(m_session.caliReads, (std::vector<int>{1, 2, 3, 1, 2, 3}));
  EXPECT_FALSE(Button(IDC_MAIN_READ_CHECK)->isEnabled());
  EXPECT_TRUE(PumpUntil([&] { return Button(IDC_MAIN_READ_CHECK)->isEnabled(); }, 2000));
}

TEST_F(MainWindowTest, RepliesApplyToTheirPanelInOrderAndUnknownIdsAreIgnored) {
  StartWindow();
  ConnectToRobot();
  Post(WM_SESSION_STATE, 2, 0);
  std::thread([this] {
    m_dlg->OnReadServoCaliAngel(true, 2, 12);
    m_dlg->OnReadServoCaliAngel(false, 1, 0);
    m_dlg->OnReadServoCaliAngel(true, 1, -7);
    m_dlg->OnReadServoCaliAngel(true, 0, 55);
    m_dlg->OnReadServoCaliAngel(true, 4, 55);
    m_dlg->OnReadCurrentAngel(true, 3, 101);
  }).join();
  PumpPending();
  EXPECT_EQ(Panel(2)->OffsetBox()->text(), "12");
  EXPECT_EQ(m_dlg->m_fCaliValue[1], 12.0f);
  EXPECT_EQ(Panel(1)->OffsetBox()->text(), "-7") << "the later reply wins";
  EXPECT_TRUE(Panel(1)->m_bLastOk);
  EXPECT_EQ(Panel(3)->AngleBox()->text(), "101");
  EXPECT_EQ(Panel(3)->OffsetBox()->text(), "0");

  m_dlg->OnReadServoCaliAngel(false, 3, 0);  // a failed read disables the panel, in red
  EXPECT_FALSE(Panel(3)->m_bEnabled);
  EXPECT_FALSE(Panel(3)->OffsetBox()->isEnabled());
  EXPECT_EQ(Panel(3)->OffsetBox()->palette().color(QPalette::Active, QPalette::Text), Qt::red);
}

// Session messages posted from the link's threads are handled on the user-interface thread, in
// order: the run comes up, then ends with a reason.
TEST_F(MainWindowTest, AnEndedRunClearsTheTargetAndShowsTheTextOfItsReason) {
  StartWindow();
  for (int reason = 0; reason <= 4; ++reason) {
    SCOPED_TRACE(reason);
    ConnectToRobot();
    std::thread([&] {
      m_dlg->PostMessage(WM_SESSION_STATE, 1, 0);
      m_dlg->PostMessage(WM_SESSION_STATE, 2, 0);
      m_dlg->PostMessage(WM_SESSION_STATE, 3, reason);
    }).join();
    EXPECT_EQ(m_session.stops, reason) << "nothing is handled on the posting thread";
    PumpPending();
    EXPECT_EQ(m_session.caliReads.size(), 3u * (reason + 1));
    EXPECT_EQ(m_session.stops, reason + 1);
    EXPECT_EQ(m_dlg->m_strDevName + m_dlg->m_strIP, "");
    EXPECT_EQ(m_dlg->m_nPort, 0);
    EXPECT_EQ(m_dlg->m_nConnectType, 0);
    EXPECT_EQ(m_dlg->StatusLine(), T("IDS_STATE_DISCONNECT"));
    EXPECT_EQ(Bar()->text(),
              kIndent + T(reason == 0 ? "IDS_CONNECT_FAIL" : "IDS_CONNECT_DISCONNECTED"));
    ExpectConnectedUi(false);
  }
}

TEST_F(MainWindowTest, DisconnectStopsTheSessionAndOffersConnectAgain) {
  StartWindow();
  ConnectToRobot();
  Post(WM_SESSION_STATE, 2, 0);
  Button(IDC_MAIN_CONNECT)->click();
  EXPECT_EQ(m_session.stops, 1);
  EXPECT_FALSE(m_dlg->DevList()->isVisible());
  EXPECT_EQ(m_dlg->m_nConnectType, 0);
  EXPECT_EQ(Bar()->text(), kIndent + T("IDS_DISCONNECTED"));
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_STATE_DISCONNECT"));
  ExpectConnectedUi(false);
  Button(IDC_MAIN_CONNECT)->click();
  EXPECT_TRUE(m_dlg->DevList()->isVisible()) << "pressed again, it connects";
  EXPECT_EQ(m_session.stops, 1);
}

TEST_F(MainWindowTest, SelectAllSetsEveryPanelAndFollowsThePanels) {
  StartWindow();
  const auto boxes = [&] {
    return QString("%1%2%3")
        .arg(PanelBox(1)->isChecked())
        .arg(PanelBox(2)->isChecked())
        .arg(PanelBox(3)->isChecked());
  };
  SelectAll()->click();
  EXPECT_EQ(boxes(), "000");
  SelectAll()->click();
  EXPECT_EQ(boxes(), "111");

  // A panel's box cleared: Select all clears; the last box checked again: Select all checks.
  m_dlg->UpdateConnectionUi(1);
  const std::pair<int, bool> steps[] = {{2, false}, {1, false}, {1, false}, {2, true}};
  for (const auto& [box, selectAll] : steps) {
    PanelBox(box)->click();
    PumpPending();
    EXPECT_EQ(SelectAll()->isChecked(), selectAll) << boxes().toStdString();
  }
  Post(WM_SERVO_CHECK_CHANGED, 5, 1);  // an unknown change: nothing
  EXPECT_TRUE(SelectAll()->isChecked());
}

TEST_F(MainWindowTest, ConnectNoticeShowsItsBusyTextOnlyForKnownKinds) {
  StartWindow();
  const std::pair<int, const char*> notices[] = {
      {0, "IDS_USB_CONNECT_ROBOT"}, {1, "IDS_WIFI_CONNECT_ROBOT"}, {2, "IDS_WIFI_CONNECT_ROBOT"}};
  for (const auto& [kind, key] : notices) {
    Post(WM_CONNECT_NOTICE, kind, 0);
    EXPECT_EQ(Bar()->text(), T(key)) << kind;
    EXPECT_TRUE(Bar()->IsMarquee());
  }
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

TEST_F(MainWindowTest, ExitClosesWithOkAndTheFrameWithCancelBothShuttingDown) {
  for (const bool exitButton : {true, false}) {
    m_dlg.reset();
    m_journal.clear();
    StartWindow();
    m_dlg->show();
    exitButton ? Button(IDC_MAIN_EXIT)->click() : void(m_dlg->close());
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(m_dlg->result(), exitButton ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(m_journal.size(), 3u);
  }
}

TEST_F(MainWindowTest, WithoutDiscoveryTheOperatorChoosesToGoOnOrToEnd) {
  m_bBroadcastFactoryWorks = false;  // answered Yes: the window goes on
  StartWindow();
  ASSERT_EQ(m_prompt.boxes.size(), 1u);
  EXPECT_EQ(m_prompt.boxes[0].text, T("IDS_TESTED_VORLA_ERROR"));
  EXPECT_EQ(m_prompt.boxes[0].caption, T("IDS_DEVICE_SCAN_TIPS"));
  EXPECT_EQ(m_prompt.boxes[0].style, MB_YESNO);
  EXPECT_TRUE(Button(IDC_MAIN_CONNECT)->isEnabled());
  EXPECT_TRUE(m_journal.empty());
  m_dlg->OnFoundDevice({L"R1", L"1", L"10.0.0.1", L"m1"});
  m_dlg->DevList()->OnRefresh();
  EXPECT_EQ(m_dlg->DevList()->List()->rowCount(), 0) << "Refresh only empties the list";
  EXPECT_EQ(m_broadcast.searches, 0);

  m_dlg.reset();
  m_journal.clear();
  m_bBroadcastFactoryWorks = true;
  m_broadcast.startResult = false;
  m_prompt.answers = {IDNO};
  m_dlg = std::make_unique<CCaltrimDlg>(Env());
  m_dlg->OnInitDialog();
  EXPECT_EQ(m_prompt.boxes.size(), 2u);
  EXPECT_TRUE(PumpUntil([&] { return m_journal.size() == 3; })) << "No ends the program";
}

TEST_F(MainWindowTest, DiscoveryThreadWaitsUntilItsRowIsListed) {
  StartWindow();
  std::atomic<bool> delivered{false};
  std::thread discovery([&] {
    m_dlg->OnFoundDevice({L"R", L"1", L"10.0.0.9", L"aa"});
    delivered = true;
  });
  QThread::msleep(50);
  EXPECT_FALSE(delivered) << "the row needs the user-interface thread";
  EXPECT_EQ(m_dlg->DevList()->List()->rowCount(), 0);
  EXPECT_TRUE(PumpUntil([&] { return delivered.load(); }));
  discovery.join();
  EXPECT_EQ(m_dlg->DevList()->List()->rowCount(), 1);
}

}  // namespace
