// The main window on the real link library, in a network-namespace rig: two simulated robots in
// the robot namespaces, the window's discovery and session in the station namespace.

#include <QLineEdit>
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
    m_robots.push_back(StartRobot(1, "Robo-A", "02:00:00:00:0a:01", "1=5"));
    m_robots.push_back(StartRobot(2, "Robo-B", "02:00:00:00:0b:02", "2=-4"));
    for (auto& robot : m_robots) {
      ASSERT_NE(robot, nullptr);
      ASSERT_TRUE(robot->WaitForLine("READY", 5000)) << "robot simulator did not start";
    }
    m_station = std::make_unique<ScopedNetns>(m_rig->NamespacePath(NetnsRig::kStation));
    ASSERT_TRUE(m_station->ok());
  }

  void TearDown() override {
    m_dlg.reset();  // shuts the link objects down while still in the station namespace
    m_station.reset();
    m_robots.clear();
    m_rig.reset();
  }

  std::unique_ptr<ChildProcess> StartRobot(int robot, const std::string& name,
                                           const std::string& mac, const std::string& offset) {
    return m_rig->Spawn(robot, {CALTRIM_ROBOT_SIM, "--address", NetnsRig::RobotAddress(robot),
                                "--name", name, "--mac", mac, "--servos", "16", "--offset",
                                offset});
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
    const int row = RowOf(name);
    ASSERT_GE(row, 0);
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
  WriteConfig({{"ServoNum", "16"}, {"ID1", "90"}, {"ID2", "120"}});
  CaltrimEnv env = Env();  // the real link objects
  env.createSession = [](CIZAVSocketSession** out) { return CreateZAVSocketSession(out); };
  env.createBroadcast = [](CIZAVBroadcastSocket** out) { return CreateZAVBroadcastSocket(out); };
  m_dlg = std::make_unique<CCaltrimDlg>(env);
  m_dlg->OnInitDialog();
  ASSERT_TRUE(PumpUntil([&] { return MainButton(IDC_MAIN_CONNECT)->isEnabled(); }, kPatienceMs));

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
