#include <QAccessible>
#include <QCheckBox>
#include <QFontInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QToolButton>
#include <system_error>
#include <thread>

#include "app/Text.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/MessageBar.h"
#include "calibration/usb/UsbInterfaceName.h"
#include "tool/app/QueuedInput.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

class MainWindowTest : public CalibrationFixture {
 protected:
  QCheckBox* SelectAll() { return Control<QCheckBox>(m_dlg.get(), IDC_MAIN_SELECT_ALL); }
  MessageBar* Bar() { return m_dlg->MessageDisplay(); }
  QCheckBox* PanelBox(int id) { return Control<QCheckBox>(Panel(id), IDC_SERVO_SELECT); }

  void Post(unsigned int msg, WPARAM w, LPARAM l) {
    m_dlg->PostMessage(msg, w, l);
    PumpPending();
  }

  // Connect pressed, robot R at 10.0.0.5 picked in Wi-Fi mode and confirmed.
  void ConnectToRobot() {
    MainButton(IDC_MAIN_CONNECT)->click();
    m_dlg->OnFoundDevice({L"R", L"2", L"10.0.0.5", L"00:11"});
    m_dlg->DevList()->List()->selectRow(0);
    m_dlg->DevList()->OnConnect();
  }

  // Commands and panels usable exactly when connected; the Connect button's caption.
  void ExpectConnectedUi(bool connected) {
    for (int id : {IDC_MAIN_READ_CHECK, IDC_MAIN_RESET, IDC_MAIN_CALIBRATE, IDC_MAIN_SPARE}) {
      EXPECT_EQ(MainButton(id)->isEnabled(), connected) << id;
    }
    for (CServoItemDlg* panel : m_dlg->ServoItems()) {
      EXPECT_EQ(panel->m_bEnabled && PanelBox(panel->ServoId())->isEnabled(), connected);
    }
    EXPECT_EQ(MainButton(IDC_MAIN_CONNECT)->text(),
              T(connected ? "IDS_DISCONNECT" : "IDS_CONNECT_ROBOT"));
  }
};

TEST_F(MainWindowTest, StartUpBuildsThePanelRowAndWaitsForTheUsbWorker) {
  WriteConfig({{"ServoNum", "3"}, {"ID1", "90"}, {"ID2", "120"}});  // ID3 missing
  m_dlg = std::make_unique<CCaltrimDlg>(Env());
  m_dlg->OnInitDialog();
  EXPECT_FALSE(MainButton(IDC_MAIN_CONNECT)->isEnabled()) << "until the USB worker reports";
  EXPECT_EQ(Bar()->text(), T("IDS_INITIALIZING_PROGRAM"));
  EXPECT_TRUE(Bar()->IsMarquee());
  ExpectConnectedUi(false);
  ASSERT_EQ(m_dlg->ServoItems().size(), 3u);
  EXPECT_EQ(Panel(2)->AngleBox()->text(), "120");
  EXPECT_EQ(Panel(3)->AngleBox()->text() + Panel(3)->OffsetBox()->text(), "")
      << "a missing ID key leaves the panel's boxes empty";
  EXPECT_EQ(m_dlg->windowTitle(), T("IDS_VORLA_CALIBRATION_SOFTWARE") + "1.2.3.4");
  ASSERT_TRUE(PumpUntil([&] { return MainButton(IDC_MAIN_CONNECT)->isEnabled(); }));
  EXPECT_FALSE(m_dlg->m_bUsbReady);
  EXPECT_EQ(Bar()->text(), kIndent + T("IDS_SERVER_RUN_SUCCESS"));
  EXPECT_FALSE(Bar()->IsMarquee());
}

TEST_F(MainWindowTest, ConnectingOverWifiToTheFirstSelectedRowReadsEveryServoAndDisconnectStops) {
  StartWindow();
  m_dlg->show();
  MainButton(IDC_MAIN_CONNECT)->click();
  EXPECT_FALSE(m_dlg->isEnabled());
  EXPECT_FALSE(m_dlg->close()) << "the close box of the waiting window does nothing";
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
  EXPECT_EQ(m_dlg->m_nConnectType, 1);
  ASSERT_EQ(m_session.starts.size(), 1u);
  EXPECT_EQ(m_session.starts[0].ip, "10.0.0.2");
  EXPECT_EQ(m_session.starts[0].sink, static_cast<IZAVSocketSessionEvent*>(m_dlg.get()));
  EXPECT_TRUE(m_prompt.texts.empty());

  Post(WM_SESSION_STATE, ZAV_SESSION_CONNECTED, 0);
  EXPECT_EQ(m_session.caliReads, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(m_dlg->StatusLine(), T("IDS_WIFI_CONNECT_SUCCESS_TIP") + "R2  " +
                                     T("IDS_DEVICE_IP_ADDRESS") + "10.0.0.2" +
                                     T("IDS_PORT_NUMBER") + "6102");
  ExpectConnectedUi(true);

  MainButton(IDC_MAIN_CONNECT)->click();  // Disconnect
  EXPECT_EQ(m_session.stops, 1);
  EXPECT_EQ(Bar()->text(), kIndent + T("IDS_DISCONNECTED"));
  ExpectConnectedUi(false);
  MainButton(IDC_MAIN_CONNECT)->click();
  EXPECT_TRUE(m_dlg->DevList()->isVisible()) << "pressed again, it connects";
  EXPECT_EQ(m_session.stops, 1);
}

// Session messages posted from the link's threads are handled on the user-interface thread, in
// order: the run comes up, then ends with a reason.
TEST_F(MainWindowTest, AnEndedRunClearsTheTargetAndShowsTheTextOfItsReason) {
  StartWindow();
  // Every reason up to the last, 2 included, which no session sends.
  const LPARAM reasons[] = {ZAV_SESSION_END_FAILED, ZAV_SESSION_END_CONNECT_FAILED, 2,
                            ZAV_SESSION_END_LINK_LOST, ZAV_SESSION_END_SILENCE};
  for (int run = 0; run < static_cast<int>(std::size(reasons)); ++run) {
    const LPARAM reason = reasons[run];
    SCOPED_TRACE(reason);
    ConnectToRobot();
    std::thread([&] {
      m_dlg->PostMessage(WM_SESSION_STATE, ZAV_SESSION_CONNECTING, 0);
      m_dlg->PostMessage(WM_SESSION_STATE, ZAV_SESSION_CONNECTED, 0);
      m_dlg->PostMessage(WM_SESSION_STATE, ZAV_SESSION_ENDED, reason);
    }).join();
    EXPECT_EQ(m_session.stops, run) << "nothing is handled on the posting thread";
    PumpPending();
    EXPECT_EQ(m_session.caliReads.size(), 3u * (run + 1));
    EXPECT_EQ(m_session.stops, run + 1);
    EXPECT_EQ(m_dlg->m_strDevName + m_dlg->m_strIP, "");
    EXPECT_EQ(m_dlg->StatusLine(), T("IDS_STATE_DISCONNECT"));
    EXPECT_EQ(Bar()->text(), kIndent + T(reason == ZAV_SESSION_END_FAILED
                                             ? "IDS_CONNECT_FAIL"
                                             : "IDS_CONNECT_DISCONNECTED"));
    ExpectConnectedUi(false);
  }
}

TEST_F(MainWindowTest, SelectAllSetsEveryPanelAndFollowsThePanels) {
  StartWindow();
  const auto boxes = [&] {
    return QString("%1%2%3").arg(PanelBox(1)->isChecked()).arg(PanelBox(2)->isChecked()).arg(
        PanelBox(3)->isChecked());
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

  // A screen reader's Toggle is a click by another way.
  const auto toggle = [](QCheckBox* box) {
    QAccessible::queryAccessibleInterface(box)->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    PumpPending();
  };
  toggle(SelectAll());
  EXPECT_EQ(boxes(), "000");
  toggle(SelectAll());
  EXPECT_EQ(boxes(), "111");
  toggle(PanelBox(3));
  EXPECT_FALSE(SelectAll()->isChecked());
}

// Each posted message shows its text; once shut-down has begun, none changes anything.
TEST_F(MainWindowTest, PostedMessagesActUntilShutDownBegins) {
  StartWindow();
  const struct {
    unsigned int msg;
    WPARAM w;
    const char* key;
    bool busy;
  } messages[] = {{WM_CONNECT_NOTICE, CONNECT_NOTICE_USB, "IDS_USB_CONNECT_ROBOT", true},
                  {WM_CONNECT_NOTICE, CONNECT_NOTICE_WIFI, "IDS_WIFI_CONNECT_ROBOT", true},
                  {WM_CONNECT_NOTICE, 2, "IDS_WIFI_CONNECT_ROBOT", true},  // unknown: unchanged
                  {WM_USB_ADB_STATE, USB_ADB_READY, "IDS_SERVER_RUN_SUCCESS", false}};
  for (const bool shutDown : {false, true}) {
    if (shutDown) m_dlg->Shutdown();
    for (const auto& m : messages) {
      Post(m.msg, m.w, 0);
      const char* key = shutDown ? "IDS_EXITING_PROGRAM" : m.key;
      EXPECT_EQ(Bar()->text(), (m.busy || shutDown ? QString() : kIndent) + T(key)) << m.msg << m.w;
      EXPECT_EQ(m_dlg->isEnabled(), !shutDown);
    }
  }
}

// However a close arrives, the link objects are released once, in order, and never under a
// library call still running.
TEST_F(MainWindowTest, ClosingReleasesTheLinkObjectsOnceAfterAnyCallInProgress) {
  const struct { const char* what; std::function<void()> close; Journal journal; } cases[] = {
      {"close box", [this] { m_dlg->close(); }, {"usb", "broadcast", "session"}},
      {"close box while Exit's shut-down releases",
       [this] {
         m_usb.onRelease = [this] { m_dlg->close(); };
         MainButton(IDC_MAIN_EXIT)->click();
       },
       {"usb", "broadcast", "session"}},
      {"Esc while a lost link is stopped",
       [this] {
         m_session.onStop = [this] {
           static_cast<QDialog*>(m_dlg.get())->reject();  // Esc
           m_journal.push_back("stopped");
         };
         m_dlg->PostMessage(WM_SESSION_STATE, ZAV_SESSION_ENDED, ZAV_SESSION_END_LINK_LOST);
       },
       {"stopped", "usb", "broadcast", "session"}},
  };
  for (const auto& c : cases) {
    StartWindow();
    m_dlg->show();
    m_journal.clear();
    c.close();
    EXPECT_TRUE(PumpUntil([&] { return !m_dlg->isVisible(); })) << c.what;
    EXPECT_EQ(m_journal, c.journal) << c.what;
    EXPECT_EQ(Bar()->text(), T("IDS_EXITING_PROGRAM")) << c.what;
  }
}

// Shut-down waits for a USB worker that holds the lock, then shows its message box: shut-down must
// serve the box while it waits for the worker, or neither side goes on. The run asks nothing
// more after it. A close box pressed meanwhile is user input: it waits until shut-down is over
// instead of running in the middle of it.
TEST_F(MainWindowTest, ShutDownServesAWorkersBoxButNoUserInputWhileItWaits) {
  m_usb.states = {-7, 0};
  m_usb.hold = true;
  m_prompt.onUiThread = true;
  m_dlg = std::make_unique<CCaltrimDlg>(Env());
  m_dlg->show();
  ASSERT_TRUE(PumpUntil([&] { return m_usb.asked > 0; }));  // the worker holds the lock now
  int closes = 0, closesDuringWait = -1;
  EventSpy spy([&](QObject* o, QEvent* e) {
    closes += o == m_dlg.get() && e->type() == QEvent::Close;
  });
  QueueCloseBox(m_dlg->windowHandle());
  // Two turns of the wait's pump: input queued before the first is handled by the second.
  QTimer::singleShot(0, [&] {
    QTimer::singleShot(0, [&] {
      closesDuringWait = closes;
      m_usb.hold = false;
    });
  });
  m_dlg->Shutdown();
  EXPECT_EQ(closesDuringWait, 0) << (closesDuringWait < 0 ? "the wait handled no timer" : "");
  EXPECT_EQ(m_prompt.Texts(), (std::vector<QString>{"ADB Module Error!"}));
  EXPECT_EQ(m_usb.asked, 1);
  EXPECT_EQ(m_journal, (Journal{"usb", "broadcast", "session"}));
  EXPECT_TRUE(PumpUntil([&] { return !m_dlg->isVisible(); })) << "held back, then carried out";
}

// A station without adb: the worker's box is up when the robot is unplugged and plugged in again.
// Handling the removal then would wait for the worker's lock, held while the worker waits for
// the box, which can take no answer while the handling waits. The events act once it is answered.
TEST_F(MainWindowTest, DeviceEventsWhileTheAdbBoxIsOpenActOnceItIsAnswered) {
  HangWatchdog watchdog("device events while the ADB box is open");
  const std::string robot = MakeUsbInterfaceName("18d1", "4e26", "1");
  m_usb.states = {-7, 0};
  m_prompt.holdOpen = true;
  m_prompt.whileOpen = [&] {
    m_usbEvents->Send(UsbDeviceChange::kRemoved, robot);
    m_usbEvents->Send(UsbDeviceChange::kArrived, robot);
    EXPECT_EQ(m_journal, Journal{}) << "handled while the box was open";
    m_prompt.Answer();
  };
  // The answered worker may ask once more or find its objects released first; either way the
  // arrival's worker asks next.
  int askedAtRelease = -1;
  m_usb.onRelease = [&] { askedAtRelease = m_usb.asked; };
  StartWindow();
  ASSERT_TRUE(PumpUntil([&] { return askedAtRelease > 0 && m_usb.asked > askedAtRelease; }))
      << "the arrival's worker asks";
  EXPECT_EQ(m_prompt.Texts(), std::vector<QString>{"ADB Module Error!"});
  EXPECT_EQ(m_journal, (Journal{"session", "usb", "session"})) << "removal, then arrival";
}

// USB device events: a source that cannot be registered is said, and the window goes on; an
// arriving robot replaces the link objects, the old ones released first, and the worker is awaited.
TEST_F(MainWindowTest, UsbEventsRegisteredOrSaidWhyNotAndAnArrivalReplacesTheLinkObjects) {
  m_usbEventsFailure = "udev is not running";
  StartWindow();
  EXPECT_EQ(m_prompt.Texts(),
            std::vector<QString>{"Can't register device notification: udev is not running"});
  EXPECT_TRUE(MainButton(IDC_MAIN_CONNECT)->isEnabled());

  m_usbEventsFailure.clear();
  StartWindow();
  m_journal.clear();
  m_usb.states = {1};
  m_usbEvents->Send(UsbDeviceChange::kArrived, MakeUsbInterfaceName("18d1", "4e26", "0123"));
  EXPECT_EQ(m_journal, (Journal{"session", "usb"}));
  EXPECT_FALSE(m_dlg->isEnabled()) << "until the worker reports";
  EXPECT_TRUE(PumpUntil([&] { return m_dlg->isEnabled() && m_dlg->m_bUsbReady; }));
}

// A worker thread the system cannot start fails as the worker would: the window goes on, with
// Connect serving Wi-Fi.
TEST_F(MainWindowTest, AWorkerThreadThatCannotStartIsTheWorkersFailure) {
  CaltrimEnv env = Env();
  env.startThread = [](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  };
  m_usb.states = {1};
  m_dlg = std::make_unique<CCaltrimDlg>(env);
  m_dlg->OnInitDialog();
  EXPECT_TRUE(PumpUntil([&] { return MainButton(IDC_MAIN_CONNECT)->isEnabled(); }));
  EXPECT_FALSE(m_dlg->m_bUsbReady);
  EXPECT_EQ(m_usb.asked, 0);
}

// Discovery that cannot start asks whether to go on: Yes keeps the window, No closes it.
TEST_F(MainWindowTest, ADiscoveryThatCannotStartAsksWhetherToGoOn) {
  m_broadcast.startResult = false;
  for (const int answer : {IDYES, IDNO}) {
    m_prompt.texts.clear();
    m_prompt.answers = {answer};
    m_dlg = std::make_unique<CCaltrimDlg>(Env());
    m_dlg->show();
    // Once the window is on its way to the screen.
    ASSERT_TRUE(PumpUntil([&] { return !m_prompt.Texts().empty(); }));
    EXPECT_EQ(m_prompt.Texts(), std::vector<QString>{T("IDS_TESTED_VORLA_ERROR")});
    ASSERT_TRUE(DrainPosted(m_dlg.get()));
    EXPECT_EQ(m_dlg->isVisible(), answer == IDYES);
  }
}

// The row holds ServoNum panels, at most 20, in the default fonts of both languages: DejaVu Sans
// under English, WenQuanYi Micro Hei under Chinese. The window fits the screen (the test's is 800
// pixels wide, narrower than the window's template); the panel row scrolls where it does not fit,
// and every panel the keyboard reaches stands inside the window, above the message display.
TEST_F(MainWindowTest, ThePanelRowFollowsServoNumAndEveryPanelIsReachableOnTheScreen) {
  const std::pair<const char*, size_t> texts[] = {
      {nullptr, 0}, {"abc", 0}, {" 4 servos", 4}, {"25", 20}};
  for (const auto& [text, panels] : texts) {
    using Values = std::map<std::string, std::string>;
    WriteConfig(text ? Values{{"ServoNum", text}} : Values{});
    StartWindow();
    EXPECT_EQ(m_dlg->ServoItems().size(), panels) << (text ? text : "missing");
  }
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (const char* family : {"DejaVu Sans", "WenQuanYi Micro Hei"}) {
    QFont font(QString::fromLatin1(family));
    ASSERT_EQ(QFontInfo(font).family(), font.family()) << "font not installed";
    for (const int servos : {1, 12, 20}) {
      WriteConfig({{"ServoNum", std::to_string(servos)}});
      m_dlg = std::make_unique<CCaltrimDlg>(Env());
      m_dlg->setFont(font);
      m_dlg->show();
      m_dlg->UpdateConnectionUi(CONNECT_WIFI);
      EXPECT_LE(m_dlg->frameGeometry().width(), screen.width()) << family << servos;
      EXPECT_LE(Bar()->geometry().right(), m_dlg->rect().right()) << family;
      for (CServoItemDlg* panel : m_dlg->ServoItems()) {
        panel->AngleBox()->setFocus();
        PumpPending();
        const QRect shown(panel->mapTo(m_dlg.get(), QPoint(0, 0)), panel->size());
        EXPECT_TRUE(m_dlg->rect().contains(shown) && shown.bottom() < Bar()->geometry().top())
            << family << ", " << servos << " servos: panel " << panel->ServoId();
      }
    }
  }
}

}  // namespace
