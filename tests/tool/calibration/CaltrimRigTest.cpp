// The main window on the real link library, in a network-namespace rig: two simulated robots in
// the robot namespaces, the window's discovery and session in the station namespace.

#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QPushButton>
#include <QTest>
#include <QTableWidget>
#include <QToolButton>

#include "ZAVUIBase.h"
#include "app/ControlId.h"
#include "app/Text.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/MessageBar.h"
#include "calibration/usb/UsbInterfaceName.h"
#include "support/fakeadb/FakeAdb.h"
#include "provisioning/SNSettingDlg.h"
#include "records/RecordsStore.h"
#include "support/rig/NetnsRig.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

// How long a step may take on a loaded machine; a passing run never waits this long.
constexpr int kPatienceMs = 15000;

class CaltrimRigTest : public CalibrationFixture {
 protected:
  void SetUp() override {
    CALTRIM_SKIP_WITHOUT_RIG();
    m_rig = std::make_unique<NetnsRig>(2);
    ASSERT_TRUE(m_rig->ok()) << m_rig->error();
    m_station = std::make_unique<ScopedNetns>(m_rig->NamespacePath(NetnsRig::kStation));
    ASSERT_TRUE(m_station->ok());
  }

  // Shuts the link objects down while still in the station namespace (the members go after it).
  void TearDown() override { m_dlg.reset(); }

  // Robot k of the rig, a simulator with the options given besides its address, name and MAC.
  void StartRobot(int robot, const std::string& name, std::vector<std::string> options) {
    std::vector<std::string> argv = {CALTRIM_ROBOT_SIM, "--address", NetnsRig::RobotAddress(robot),
                                     "--name", name, "--mac", "02:00:00:00:0a:0" + std::to_string(robot)};
    argv.insert(argv.end(), options.begin(), options.end());
    m_robots.push_back(m_rig->Spawn(robot, argv));
    ASSERT_NE(m_robots.back(), nullptr);
    ASSERT_TRUE(m_robots.back()->WaitForLine("READY", 5000)) << "robot simulator did not start";
  }

  // The window on the real link library: discovery and session, and with realUsb USB detection;
  // with realModule the serial-number tools come from the program's module, as the program has
  // them.
  void StartRealWindow(bool realUsb = false, bool realModule = false) {
    CaltrimEnv env = Env();
    if (realModule) env.loadProvisioning = nullptr;
    env.createSession = [](CIZAVSocketSession** out) { return CreateZAVSocketSession(out); };
    env.createBroadcast = [](CIZAVBroadcastSocket** out) { return CreateZAVBroadcastSocket(out); };
    if (realUsb) env.createUsbDetection = [](IZAVUsbDetection** out) { return CreateIZAVUsbDetection(out); };
    m_dlg = std::make_unique<CCaltrimDlg>(env);
    m_dlg->OnInitDialog();
    ASSERT_TRUE(PumpUntil([&] { return MainButton(IDC_MAIN_CONNECT)->isEnabled(); }, kPatienceMs));
  }

  QTableWidget* List() { return m_dlg->DevList()->List(); }

  int RowOf(const QString& name) {
    for (int row = 0; row < List()->rowCount(); ++row) {
      if (List()->item(row, 0)->text() == name) return row;
    }
    return -1;
  }

  void ConnectTo(const QString& name) {
    MainButton(IDC_MAIN_CONNECT)->click();
    ASSERT_TRUE(m_dlg->DevList()->isVisible());
    ASSERT_TRUE(PumpUntil([&] { return RowOf(name) >= 0; }, kPatienceMs)) << "no answer to the search";
    List()->selectRow(RowOf(name));
    Control<QWidget>(m_dlg->DevList(), IDC_DEVLIST_CONNECT)->setFocus();
    m_dlg->DevList()->OnConnect();
  }

  bool Connected() {
    return PumpUntil([&] { return MainButton(IDC_MAIN_CONNECT)->text() == T("IDS_DISCONNECT"); },
                     kPatienceMs);
  }
  QLineEdit* OffsetBox(int id) { return Panel(id)->OffsetBox(); }

  std::unique_ptr<NetnsRig> m_rig;
  std::vector<std::unique_ptr<ChildProcess>> m_robots;
  std::unique_ptr<ScopedNetns> m_station;
};

// The state file's line for key ("offset.3", "angle.1"), or empty.
std::string StateLine(const std::string& path, const std::string& key) {
  const std::string text = TempFolder::Read(path);
  const std::size_t at = text.find(key + "=");
  return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
}

// The runs in the records file of the state folder, newest first.
std::vector<RunRecord> RecordedRuns(const TempFolder& folder) {
  std::vector<RunRecord> runs;
  std::string error;
  auto records = OpenRecordsStore({RecordsLocation::Kind::kFile, folder.File(kDefaultRecordsFile), ""}, {}, &error);
  EXPECT_TRUE(records && records->History({}, &runs, &error)) << error;
  return runs;
}

// Robo-A's servo 2 refuses writes and its servo 3 never answers; its state file shows what the
// program did to it. Robo-B takes over once Robo-A has gone.
TEST_F(CaltrimRigTest, DiscoversStepsCalibratesResetsLosesTheLinkAndDisconnects) {
  const std::string state = m_folder.File("robot.state");
  StartRobot(1, "Robo-A", {"--servos", "4", "--offset", "1=5", "--offset", "2=-4", "--offset",
                           "4=11", "--refuse-writes", "2", "--no-replies=3", "--state-file", state});
  StartRobot(2, "Robo-B", {"--servos", "4", "--offset", "2=-7"});
  m_recordsUrl = "";  // recorded in the state folder, by the program's records module
  WriteConfig({{"ServoNum", "4"}, {"ID1", "90"}, {"ID2", "120"}, {"ID3", "60"}, {"ID4", "100"}});
  StartRealWindow();
  ASSERT_TRUE(PumpUntil([&] { return List()->rowCount() == 2; }, kPatienceMs)) << "both answer";
  EXPECT_EQ(List()->item(RowOf("Robo-B"), 2)->text(),
            QString::fromStdString(NetnsRig::RobotAddress(2)));
  ConnectTo("Robo-A");
  ASSERT_TRUE(Connected()) << m_dlg->MessageDisplay()->text().toStdString();
  auto box = [&](int id) { return OffsetBox(id)->text(); };
  ASSERT_TRUE(PumpUntil([&] { return box(1) + box(2) + box(4) == "5-411"; }, kPatienceMs))
      << "the stored offsets (servo 3 is silent)";

  // A step of servo 1 with its button moves the simulated servo.
  auto* up = Control<QToolButton>(m_dlg->ServoItems().at(0), IDC_SERVO_STEP_UP);
  QTest::mousePress(up, Qt::LeftButton);
  QTest::mouseRelease(up, Qt::LeftButton);
  EXPECT_TRUE(PumpUntil([&] { return StateLine(state, "angle.1") == "angle.1=91"; }, kPatienceMs));

  // Servos 1 to 3 selected, offsets typed, Calibrate: servo 3's silence ends the run at its 6 s.
  const std::map<int, const char*> typed = {{1, "12"}, {2, "7"}, {3, "-3"}};
  for (CServoItemDlg* p : m_dlg->ServoItems()) p->SetSelected(typed.count(p->ServoId()) > 0);
  for (const auto& [id, text] : typed) {
    OffsetBox(id)->selectAll();
    QTest::keyClicks(OffsetBox(id), text);
  }
  QElapsedTimer run;
  run.start();
  MainButton(IDC_MAIN_CALIBRATE)->click();
  ASSERT_TRUE(PumpUntil([&] { return box(1) == "Ok" && box(2) == "Failed"; }, kPatienceMs));
  EXPECT_EQ(StateLine(state, "offset.1") + StateLine(state, "offset.2"), "offset.1=12offset.2=-4");
  ASSERT_TRUE(PumpUntil([&] { return MainButton(IDC_MAIN_CALIBRATE)->isEnabled(); }, kPatienceMs));
  EXPECT_GE(run.elapsed(), 5900) << "a coarse timer may end the run up to 5 % early";
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_CHECK_ENGINE_SUCCESS"));

  // Reset: every answering servo stands at its reference angle.
  MainButton(IDC_MAIN_RESET)->click();
  EXPECT_TRUE(PumpUntil(
      [&] {
        return StateLine(state, "angle.1") + StateLine(state, "angle.2") +
                   StateLine(state, "angle.4") == "angle.1=90angle.2=120angle.4=100";
      },
      kPatienceMs));
  // Both runs are recorded under the robot's serial number, with what each servo held before.
  const std::vector<RunRecord> runs = RecordedRuns(m_folder);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].kind, RunKind::kReset);
  EXPECT_EQ(runs[1].robot, (RobotIdentity{"Robo-A", NetnsRig::RobotAddress(1), "02:00:00:00:0a:01", "SN0000000001"}));
  EXPECT_EQ(runs[1].servos, (std::vector<ServoRecord>{{1, 5, 12, ServoOutcome::kOk},
                                                      {2, -4, 7, ServoOutcome::kFailed},
                                                      {3, std::nullopt, -3, ServoOutcome::kNoReply}}));

  // Robo-A goes away: the window notices the lost link.
  m_robots[0]->Terminate();
  ASSERT_TRUE(PumpUntil([&] { return m_dlg->StatusLine() == T("IDS_STATE_DISCONNECT"); },
                        kPatienceMs));
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_CONNECT_DISCONNECTED"));

  // Connect to Robo-B, then Disconnect: StopConnect has waited for the run's threads, so whatever
  // the run posted is queued by now; a posted end of run would change the text.
  ConnectTo("Robo-B");
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(PumpUntil([&] { return box(2) == "-7"; }, kPatienceMs));
  MainButton(IDC_MAIN_CONNECT)->click();
  ASSERT_TRUE(DrainPosted(m_dlg.get()));
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_DISCONNECTED"));
}

// A robot on USB, with the real detection object driving the fake adb: plugged in (adb's server
// first down, then one device), reached through the forward of 127.0.0.1:6102 to Robo-A, and
// unplugged, which ends the session; a new one serves Wi-Fi at once.
TEST_F(CaltrimRigTest, AUsbRobotIsReachedThroughTheForwardUntilItIsUnplugged) {
  StartRobot(1, "Robo-A", {"--servos", "16", "--offset", "1=5"});
  FakeAdb adb;  // made after the robots started: from here on PATH is the fake alone
  adb.AnswerDevices({"0", "down", "1"});
  adb.ForwardTo(NetnsRig::RobotAddress(1), 6102);
  WriteConfig({{"ServoNum", "16"}});
  StartRealWindow(true);
  ASSERT_FALSE(m_dlg->m_bUsbReady);

  m_usbEvents->Send(UsbDeviceChange::kArrived, MakeUsbInterfaceName("18d1", "4e26", "0123"));
  ASSERT_TRUE(PumpUntil([&] { return m_dlg->isEnabled(); }, kPatienceMs));
  ASSERT_TRUE(m_dlg->m_bUsbReady);

  MainButton(IDC_MAIN_CONNECT)->click();
  ASSERT_TRUE(Control<QRadioButton>(m_dlg->DevList(), IDC_DEVLIST_USB)->isChecked());
  m_dlg->DevList()->OnConnect();
  ASSERT_TRUE(Connected()) << m_dlg->MessageDisplay()->text().toStdString();
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_USB_CONNECT_ROBOT_SUCCESS"));
  EXPECT_TRUE(PumpUntil([&] { return OffsetBox(1)->text() == "5"; }, kPatienceMs));

  m_usbEvents->Send(UsbDeviceChange::kRemoved, MakeUsbInterfaceName("18d1", "4e26", "0123"));
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_SERVER_CLOSE_SUCCESS"));
  EXPECT_EQ(MainButton(IDC_MAIN_CONNECT)->text(), T("IDS_CONNECT_ROBOT"));
  EXPECT_FALSE(m_dlg->m_bUsbReady);

  ConnectTo("Robo-A");
  EXPECT_TRUE(Connected()) << "over Wi-Fi";
  EXPECT_EQ(m_prompt.Texts(), std::vector<QString>{});
  m_dlg.reset();  // before the fake adb goes
}

// The serial number window from the program's own module, end to end.
TEST_F(CaltrimRigTest, WritesARegisteredSerialNumberConfirmedWithTheRobotsMac) {
  StartRobot(1, "Robo-A", {"--servos", "16"});
  // The equipment service on the station's loopback, with a small register, where the window
  // looks for it when no sys.ini lies beside the program (the test program's folder has none).
  const std::string registerFile = m_folder.File("register.sqlite");
  auto service = m_rig->Spawn(NetnsRig::kStation, {CALTRIM_EQUIPMENT_SIM, "--address", "127.0.0.1",
                                                    "--port", "8081", "--register", registerFile,
                                                    "--register-add", "SN-NEW-0001"});
  ASSERT_TRUE(service && service->WaitForLine("listening on http://127.0.0.1:8081", 10000));
  m_recordsUrl = "";  // recorded in the state folder
  WriteConfig({{"ServoNum", "16"}});
  m_bProvisioning = true;
  StartRealWindow(false, true);

  ConnectTo("Robo-A");
  ASSERT_TRUE(Connected());
  MainButton(IDC_MAIN_SERIAL_NUMBER)->click();
  QDialog* sn = nullptr;
  for (QDialog* child : m_dlg->findChildren<QDialog*>()) {
    if (child->windowTitle() == T("IDS_READ_WRITE_SERRIAL")) sn = child;
  }
  ASSERT_NE(sn, nullptr);
  ASSERT_TRUE(sn->isVisible());
  auto* edit = Control<QLineEdit>(sn, IDC_SN_SERIAL);
  ASSERT_TRUE(PumpUntil([&] { return edit->text() == "SN0000000001"; }, kPatienceMs));

  edit->setText("SN-NEW-0001");
  FindControl<QPushButton>(sn, IDC_SN_SET)->click();
  ASSERT_TRUE(PumpUntil([&] { return m_prompt.Texts().size() == 2; }, kPatienceMs));
  EXPECT_EQ(m_prompt.Texts(), (std::vector<QString>{T("IDS_UPDATE_SERIAL_SUCCESS_TIPS"),
                                                    T("IDS_WRITED_SERIAL_TIPS") + "SN-NEW-0001"}));
  std::string list;
  RunCommand({CALTRIM_EQUIPMENT_SIM, "--register", registerFile, "--list"}, &list, 10000);
  EXPECT_NE(list.find("SN-NEW-0001 used 02:00:00:00:0a:01 "), std::string::npos) << list;
  // The write is recorded under the number the robot took.
  const std::vector<RunRecord> runs = RecordedRuns(m_folder);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].kind, RunKind::kSerialWrite);
  EXPECT_EQ(runs[0].robot.serial + " " + runs[0].robot.mac, "SN-NEW-0001 02:00:00:00:0a:01");
}

}  // namespace
