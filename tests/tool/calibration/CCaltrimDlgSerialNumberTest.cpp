// The main window's side of the serial number window: the production line's switch, the button,
// the module loaded on its first press, the scanner's start until one runs, the forwarded events
// and the session handed over.

#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <QToolButton>
#include <chrono>

#include "app/Text.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/MessageBar.h"
#include "calibration/usb/UsbInterfaceName.h"
#include "provisioning/SNSettingDlg.h"
#include "support/TestBytes.h"
#include "support/TestRobotPeer.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

using SerialNumberWindowTest = CalibrationFixture;

TEST_F(SerialNumberWindowTest, EitherSwitchShowsTheSerialNumberAndLanguageButtons) {
  const struct {
    bool option;
    const char* config;  // "Provisioning" in Config.ini, or none
    bool shown;
  } rows[] = {{false, nullptr, false}, {false, "0", false}, {true, nullptr, true}, {false, "1", true}};
  for (const auto& row : rows) {
    std::map<std::string, std::string> config = {{"ServoNum", "16"}};
    if (row.config != nullptr) config["Provisioning"] = row.config;
    WriteConfig(config);
    m_bProvisioning = row.option;
    StartWindow();
    for (int id : {IDC_MAIN_SERIAL_NUMBER, IDC_MAIN_LANGUAGE}) {
      EXPECT_EQ(MainButton(id)->isHidden(), !row.shown) << id << " " << row.option << row.config;
    }
    EXPECT_TRUE(MainButton(IDC_MAIN_READ_ANGLE)->isHidden());
  }
  // Shown, the language button covers neither a panel nor the message display.
  const QRect language = MainButton(IDC_MAIN_LANGUAGE)->geometry();
  for (CServoItemDlg* panel : m_dlg->ServoItems()) {
    EXPECT_FALSE(language.intersects(QRect(panel->mapTo(m_dlg.get(), QPoint()), panel->size())));
  }
  EXPECT_LT(language.bottom(), m_dlg->MessageDisplay()->geometry().top());
}

TEST_F(SerialNumberWindowTest, TheButtonShowsTheWindowAndStartsTheScannerUntilOneRuns) {
  m_bProvisioning = true;
  StartWindow();
  EXPECT_EQ(m_provisioningLoads, 0) << "start-up needs none of the serial-number tools";
  EXPECT_EQ(m_dlg->findChild<SNSettingDlg*>(), nullptr);

  m_dlg->UpdateConnectionUi(CONNECT_WIFI);
  MainButton(IDC_MAIN_SERIAL_NUMBER)->click();
  auto* sn = m_dlg->findChild<SNSettingDlg*>();
  ASSERT_NE(sn, nullptr) << "made on the first press";
  EXPECT_EQ(sn->Session(), &m_session);
  EXPECT_TRUE(sn->isVisible());
  EXPECT_EQ(m_session.snReads, 1);
  m_dlg->OnReadSN(true, "SN7#AA", 6);
  EXPECT_EQ(Control<QLineEdit>(sn, IDC_SN_SERIAL)->text(), "SN7") << "forwarded";

  const auto noCameraHint = [sn] {
    const QList<QLabel*> labels = sn->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
      return label->isVisible() && label->text() == T("IDS_SN_NO_CAMERA");
    });
  };
  EXPECT_TRUE(noCameraHint()) << "the scanner did not start: no camera";

  m_dlg->UpdateConnectionUi(CONNECT_NONE);
  EXPECT_FALSE(sn->isVisible()) << "no connection, no serial number window";
  m_dlg->UpdateConnectionUi(CONNECT_WIFI);
  m_bScanStarts = true;  // a camera connected meanwhile
  MainButton(IDC_MAIN_SERIAL_NUMBER)->click();
  EXPECT_EQ(m_session.snReads, 2);
  EXPECT_FALSE(noCameraHint());
  sn->hide();
  MainButton(IDC_MAIN_SERIAL_NUMBER)->click();
  EXPECT_EQ(m_scanSinks, std::vector<IQRScanEvent**>(2, sn->ScanSink()))
      << "started again on the next show until it ran, then never again";
  EXPECT_EQ(m_provisioningLoads, 1);

  // Unplugging the robot releases the session: the window must not keep using it, but the one
  // that replaces it (here none can be made).
  m_bSessionFactoryWorks = false;
  m_usbEvents->Send(UsbDeviceChange::kRemoved, MakeUsbInterfaceName("18d1", "4e26", "1-1"));
  EXPECT_EQ(m_journal, (Journal{"session", "usb"}));
  EXPECT_EQ(sn->Session(), nullptr) << "the released session is not used";
}

// Without the module (not installed, or broken) the button says why in a box; the window goes on
// working, the link's serial-number events are dropped, and a later press tries again.
TEST_F(SerialNumberWindowTest, AModuleThatCannotLoadGivesABoxAndTheRestWorks) {
  m_bProvisioning = true;
  m_provisioningError = "libcaltrim_provisioning_module.so: cannot open shared object file";
  StartWindow();
  m_dlg->UpdateConnectionUi(CONNECT_WIFI);
  MainButton(IDC_MAIN_SERIAL_NUMBER)->click();
  EXPECT_EQ(m_prompt.Texts(), std::vector<QString>{T("IDS_PROVISIONING_MODULE_MISSING") +
                                                   QString::fromStdString(m_provisioningError)});
  EXPECT_EQ(m_dlg->findChild<SNSettingDlg*>(), nullptr);
  EXPECT_TRUE(m_scanSinks.empty());
  m_dlg->OnReadSN(true, "SN7#AA", 6);  // no window to take it
  MainButton(IDC_MAIN_READ_CHECK)->click();
  EXPECT_EQ(m_session.caliReads, (std::vector<int>{1, 2, 3})) << "the calibration commands still work";

  m_provisioningError.clear();
  MainButton(IDC_MAIN_SERIAL_NUMBER)->click();
  ASSERT_NE(m_dlg->findChild<SNSettingDlg*>(), nullptr);
  EXPECT_TRUE(m_dlg->findChild<SNSettingDlg*>()->isVisible());
}

// The robot's reply to a read of its serial number: "abc", without a MAC, which the window tells
// the operator in a box while the session's receive thread waits for it.
const std::string kSerialWithoutMac = Bytes("34 12 0C 00 00 00 01 00 00 00 92 34 A5 91 A3 61 62 63");

// The robot is unplugged and plugged in again while that box is open: handling the removal then
// would wait for the receive thread, which waits for the box, which can take no answer while the
// handling waits. The events act once the box is answered, in order.
TEST_F(SerialNumberWindowTest, DeviceEventsDuringABoxTheReceiveThreadWaitsForActOnceItIsAnswered) {
  HangWatchdog watchdog("device events during the serial number window's box");
  TestRobotPeer robot("127.0.0.191");
  ASSERT_TRUE(robot.IsListening());
  m_bProvisioning = true;
  m_bRealSessions = true;
  StartWindow();
  CIZAVSocketSession* first = m_dlg->m_pSession;
  ASSERT_TRUE(first->StartConnect("127.0.0.191", 10, m_dlg.get(), m_dlg.get()));
  ASSERT_TRUE(robot.WaitForConnections(1, std::chrono::seconds(5)));
  m_dlg->UpdateConnectionUi(CONNECT_WIFI);
  const std::string kRobotName = MakeUsbInterfaceName("18d1", "4e26", "1");
  m_prompt.holdOpen = true;
  m_prompt.whileOpen = [&] {
    m_usbEvents->Send(UsbDeviceChange::kRemoved, kRobotName);
    m_usbEvents->Send(UsbDeviceChange::kArrived, kRobotName);
    EXPECT_TRUE(m_journal.empty() && m_dlg->m_pSession == first) << "handled while the box was open";
    m_prompt.Answer();
  };
  MainButton(IDC_MAIN_SERIAL_NUMBER)->click();  // the window reads the robot's number
  ASSERT_TRUE(robot.Send(kSerialWithoutMac));
  ASSERT_TRUE(PumpUntil([&] { return m_usb.asked > 1; }, 10000)) << "the arrival's worker run";
  EXPECT_EQ(m_prompt.Texts(), std::vector<QString>{T("IDS_FAILED_GET_BLUETOOTH_MAC_TIPS")});
  EXPECT_TRUE(robot.WaitForClosedBySession(std::chrono::seconds(5))) << "the removal stopped it";
  EXPECT_EQ(m_journal, Journal{"usb"}) << "the removal released the detection object";
  EXPECT_NE(m_dlg->m_pSession, nullptr) << "the arrival's";
}

}  // namespace
