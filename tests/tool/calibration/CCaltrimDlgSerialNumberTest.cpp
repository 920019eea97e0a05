// The main window's side of the serial number window: the production line's switch, the button,
// the scanner's one start, the forwarded events and the session handed over.

#include <QLineEdit>
#include <QToolButton>

#include "calibration/CServoItemDlg.h"
#include "calibration/MessageBar.h"
#include "calibration/usb/UsbInterfaceName.h"
#include "provisioning/SNSettingDlg.h"
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
  for (CServoItemDlg* panel : m_dlg->ServoItems()) EXPECT_FALSE(language.intersects(panel->geometry()));
  EXPECT_LT(language.bottom(), m_dlg->MessageDisplay()->geometry().top());
}

TEST_F(SerialNumberWindowTest, TheButtonShowsTheWindowWhichReadsAndTheScannerStartsOnce) {
  m_bProvisioning = true;
  StartWindow();
  auto* sn = m_dlg->findChild<SNSettingDlg*>();
  ASSERT_NE(sn, nullptr);
  EXPECT_FALSE(sn->isVisible()) << "made hidden at start-up";
  EXPECT_EQ(sn->Session(), &m_session);

  m_dlg->UpdateConnectionUi(CONNECT_WIFI);
  MainButton(IDC_MAIN_SERIAL_NUMBER)->click();
  EXPECT_TRUE(sn->isVisible());
  EXPECT_EQ(m_session.snReads, 1);
  m_dlg->OnReadSN(true, "SN7#AA", 6);
  EXPECT_EQ(Control<QLineEdit>(sn, IDC_SN_SERIAL)->text(), "SN7") << "forwarded";

  m_dlg->UpdateConnectionUi(CONNECT_NONE);
  EXPECT_FALSE(sn->isVisible()) << "no connection, no serial number window";
  m_dlg->UpdateConnectionUi(CONNECT_WIFI);
  MainButton(IDC_MAIN_SERIAL_NUMBER)->click();
  EXPECT_EQ(m_session.snReads, 2);
  EXPECT_EQ(m_scanSinks, std::vector<IQRScanEvent**>{sn->ScanSink()});

  // Unplugging the robot releases the session: the window must not keep using it, but the one
  // that replaces it (here none can be made).
  m_bSessionFactoryWorks = false;
  m_usbEvents->Send(UsbDeviceChange::kRemoved, MakeUsbInterfaceName("18d1", "4e26", "1-1"));
  EXPECT_EQ(m_journal, (Journal{"session", "usb"}));
  EXPECT_EQ(sn->Session(), nullptr) << "the released session is not used";
}

}  // namespace
