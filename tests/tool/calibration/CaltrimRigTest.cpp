// The main window on the real link library, in a network-namespace rig: two simulated robots in
// the robot namespaces, the window's discovery and session in the station namespace.

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTableWidget>
#include <QToolButton>

#include "app/Text.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/MessageBar.h"
#include "support/rig/NetnsRig.h"
#include "tool/calibration/CalibrationFixture.h"

namespace {

const QString kIndent(39, QLatin1Char(' '));
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

  void TearDown() override {
    m_dlg.reset();  // shuts the link objects down while still in the station namespace
    m_station.reset();
    m_robots.clear();
    m_rig.reset();
  }

  // Robot k of the rig, a simulator with the options given besides its address, name and MAC.
  void StartRobot(int robot, const std::string& name, std::vector<std::string> options) {
    std::vector<std::string> argv = {CALTRIM_ROBOT_SIM, "--address", NetnsRig::RobotAddress(robot),
                                     "--name", name, "--mac", "02:00:00:00:0a:0" + std::to_string(robot)};
    argv.insert(argv.end(), options.begin(), options.end());
    m_robots.push_back(m_rig->Spawn(robot, argv));
    ASSERT_NE(m_robots.back(), nullptr);
    ASSERT_TRUE(m_robots.back()->WaitForLine("READY", 5000)) << "robot simulator did not start";
  }

  // The window on the real link library: discovery and session.
  void StartRealWindow() {
    CaltrimEnv env = Env();
    env.createSession = [](CIZAVSocketSession** out) { return CreateZAVSocketSession(out); };
    env.createBroadcast = [](CIZAVBroadcastSocket** out) { return CreateZAVBroadcastSocket(out); };
    m_dlg = std::make_unique<CCaltrimDlg>(env);
    m_dlg->OnInitDialog();
    ASSERT_TRUE(PumpUntil([&] { return MainButton(IDC_MAIN_CONNECT)->isEnabled(); }, kPatienceMs));
  }

  QToolButton* MainButton(int id) { return Control<QToolButton>(m_dlg.get(), id); }
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
    const int row = RowOf(name);
    List()->selectRow(row);
    Control<QWidget>(m_dlg->DevList(), IDC_DEVLIST_CONNECT)->setFocus();
    m_dlg->DevList()->OnConnect();
  }

  bool Connected() {
    return PumpUntil([&] { return MainButton(IDC_MAIN_CONNECT)->text() == T("IDS_DISCONNECT"); },
                     kPatienceMs);
  }

  std::unique_ptr<NetnsRig> m_rig;
  std::vector<std::unique_ptr<ChildProcess>> m_robots;
  std::unique_ptr<ScopedNetns> m_station;
};

TEST_F(CaltrimRigTest, DiscoversConnectsLosesTheLinkAndDisconnects) {
  StartRobot(1, "Robo-A", {"--servos", "16", "--offset", "1=5"});
  StartRobot(2, "Robo-B", {"--servos", "16", "--offset", "2=-4"});
  WriteConfig({{"ServoNum", "16"}, {"ID1", "90"}, {"ID2", "120"}});
  StartRealWindow();

  // Both robots answer the start-up search.
  ASSERT_TRUE(PumpUntil([&] { return List()->rowCount() == 2; }, kPatienceMs))
      << "rows: " << List()->rowCount();
  EXPECT_EQ(List()->item(RowOf("Robo-B"), 2)->text(),
            QString::fromStdString(NetnsRig::RobotAddress(2)));

  // Connect to Robo-A: its offsets are read over the real link.
  ConnectTo("Robo-A");
  ASSERT_TRUE(Connected()) << m_dlg->MessageDisplay()->text().toStdString();
  CServoItemDlg* first = m_dlg->ServoItems().at(0);
  EXPECT_TRUE(PumpUntil([&] { return first->OffsetBox()->text() == "5" && first->m_bLastOk; },
                        kPatienceMs))
      << first->OffsetBox()->text().toStdString();

  // The robot goes away: the window notices the lost link.
  m_robots[0]->Terminate();
  ASSERT_TRUE(PumpUntil([&] { return m_dlg->StatusLine() == T("IDS_STATE_DISCONNECT"); },
                        kPatienceMs));
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_CONNECT_DISCONNECTED"));

  // Connect to Robo-B, then Disconnect: nothing is posted.
  ConnectTo("Robo-B");
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(PumpUntil([&] { return m_dlg->ServoItems().at(1)->OffsetBox()->text() == "-4"; },
                        kPatienceMs));
  MainButton(IDC_MAIN_CONNECT)->click();
  // StopConnect has waited for the run's threads, so whatever the run posted is queued by now;
  // a posted end of run would change the text.
  ASSERT_TRUE(DrainPosted(m_dlg.get()));
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_DISCONNECTED"));
}

}  // namespace

namespace {

// The state file's line for key ("offset.3", "angle.1"), or empty.
std::string StateLine(const std::string& path, const std::string& key) {
  const std::string text = TempFolder::Read(path);
  const std::size_t at = text.find(key + "=");
  return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
}

// One robot whose servo 2 refuses writes and whose servo 3 never answers; its state file shows
// what the program did to it.
TEST_F(CaltrimRigTest, StepsCalibratesAndResetsASimulatedRobot) {
  const std::string state = m_folder.File("robot.state");
  StartRobot(1, "Robo-A", {"--servos", "4", "--offset", "1=5", "--offset", "2=-4", "--offset",
                           "4=11", "--refuse-writes", "2", "--no-replies=3", "--state-file", state});
  WriteConfig({{"ServoNum", "4"}, {"ID1", "90"}, {"ID2", "120"}, {"ID3", "60"}, {"ID4", "100"}});
  StartRealWindow();
  ConnectTo("Robo-A");
  ASSERT_TRUE(Connected());
  auto box = [&](int id) { return m_dlg->ServoItems().at(id - 1)->OffsetBox(); };
  auto panel = [&](int id) { return m_dlg->ServoItems().at(id - 1); };
  ASSERT_TRUE(PumpUntil([&] { return box(1)->text() + box(2)->text() + box(4)->text() == "5-411"; },
                        kPatienceMs)) << "the stored offsets (servo 3 is silent)";

  // A step of servo 1 with its button moves the simulated servo.
  auto* up = Control<QToolButton>(panel(1), IDC_SERVO_STEP_UP);
  QTest::mousePress(up, Qt::LeftButton);
  QTest::mouseRelease(up, Qt::LeftButton);
  EXPECT_EQ(box(1)->text(), "8");
  EXPECT_TRUE(PumpUntil([&] { return StateLine(state, "angle.1") == "angle.1=91"; }, kPatienceMs));

  // Servos 1 to 3 selected, offsets typed, Calibrate.
  const std::map<int, const char*> typed = {{1, "12"}, {2, "7"}, {3, "-3"}};
  for (CServoItemDlg* p : m_dlg->ServoItems()) p->SetSelected(typed.count(p->ServoId()) > 0);
  for (const auto& [id, text] : typed) {
    box(id)->selectAll();
    QTest::keyClicks(box(id), text);
  }
  QElapsedTimer run;
  run.start();
  MainButton(IDC_MAIN_CALIBRATE)->click();
  ASSERT_TRUE(PumpUntil([&] { return box(1)->text() == "Ok" && box(2)->text() == "Failed"; },
                        kPatienceMs));
  EXPECT_EQ(StateLine(state, "offset.1"), "offset.1=12");
  EXPECT_EQ(StateLine(state, "offset.2"), "offset.2=-4");
  EXPECT_EQ(box(2)->palette().color(QPalette::Text), QColor(255, 0, 0));
  ASSERT_TRUE(PumpUntil([&] { return MainButton(IDC_MAIN_CALIBRATE)->isEnabled(); }, kPatienceMs));
  EXPECT_GE(run.elapsed(), 5900) << "servo 3 never answers: the run waits out its 6 s";
  EXPECT_EQ(box(3)->text(), "Wait");
  EXPECT_EQ(m_dlg->MessageDisplay()->text(), kIndent + T("IDS_CHECK_ENGINE_SUCCESS"));

  // Reset: every answering servo stands at its reference angle.
  MainButton(IDC_MAIN_RESET)->click();
  EXPECT_TRUE(PumpUntil(
      [&] {
        return StateLine(state, "angle.1") + StateLine(state, "angle.2") +
                   StateLine(state, "angle.4") == "angle.1=90angle.2=120angle.4=100";
      },
      kPatienceMs));
}

}  // namespace
