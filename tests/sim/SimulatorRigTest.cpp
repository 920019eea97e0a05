// Simulated robots answering a real discovery object: robots in their own namespaces of the rig,
// or, in announce mode, beside the station in its namespace.

#include <map>

#include <gtest/gtest.h>

#include "ZAVServoSocket.h"
#include "support/LinkSpies.h"
#include "support/rig/NetnsRig.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// How many output lines contain text, once count of them have come (or 2 s have passed).
std::size_t SettledLines(ChildProcess* child, const std::string& text, std::size_t count) {
  child->WaitForLines(text, count, 2000);
  return child->LinesWith(text).size();
}

class SimulatorRigTest : public ::testing::Test {
 protected:
  void SetUp() override { CALTRIM_SKIP_WITHOUT_RIG(); }
  void TearDown() override {
    if (m_discovery) m_discovery->Release();
  }

  std::unique_ptr<ChildProcess> StartSim(const NetnsRig& rig, int role, std::vector<std::string> args) {
    args.insert(args.begin(), CALTRIM_ROBOT_SIM);
    std::string error;
    std::unique_ptr<ChildProcess> sim = rig.Spawn(role, args, &error);
    EXPECT_TRUE(sim) << error;
    if (sim && !sim->WaitForLine("READY", 5000)) {
      for (const std::string& line : sim->Lines()) ADD_FAILURE() << line;
      return nullptr;
    }
    return sim;
  }

  bool StartDiscoveryInStation(const NetnsRig& rig) {
    ScopedNetns station(rig.NamespacePath(NetnsRig::kStation));
    return station.ok() && CreateZAVBroadcastSocket(&m_discovery) && m_discovery->StartBroadcast(nullptr, &m_sink);
  }

  TestClock m_clock{10};
  UiHostSpy m_host;
  DiscoverySpy m_sink;
  CIZAVBroadcastSocket* m_discovery = nullptr;
};

TEST_F(SimulatorRigTest, StationFindsTwoSimulatedRobotsAndTalksToOneOfThem) {
  NetnsRig rig(2);
  ASSERT_TRUE(rig.ok()) << rig.error();
  auto robotA = StartSim(rig, 1, {"--address", NetnsRig::RobotAddress(1), "--name", "RobotA", "--version", "1.2",
                                  "--mac", "02:00:00:00:00:0A", "--offset", "1=11"});
  auto robotB = StartSim(rig, 2, {"--address", NetnsRig::RobotAddress(2), "--name", "RobotB", "--version", "1.3",
                                  "--mac", "02:00:00:00:00:0B", "--offset", "1=22"});
  ASSERT_TRUE(robotA && robotB);

  ASSERT_TRUE(StartDiscoveryInStation(rig));
  ASSERT_TRUE(m_sink.WaitFor(2, 5000));
  std::map<std::string, __DevInfo> byName;
  for (const __DevInfo& info : m_sink.Found()) byName[Narrow(info.strName)] = info;
  ASSERT_EQ(byName.size(), 2u);
  EXPECT_EQ(Narrow(byName["RobotA"].strIP), NetnsRig::RobotAddress(1));
  EXPECT_EQ(Narrow(byName["RobotA"].strVersion), "1.2");
  EXPECT_EQ(Narrow(byName["RobotB"].strMAC), "02:00:00:00:00:0B");
  EXPECT_TRUE(m_host.Messages().empty());
  // The request came from the station, the answer went to its port 6000.
  EXPECT_EQ(SettledLines(robotA.get(), "RECV udp 10.231.77.1:", 1), 1u);
  EXPECT_EQ(SettledLines(robotA.get(), "SEND udp 10.231.77.1:6000 device-info RobotA", 1), 1u);

  // Refresh: every robot answers again.
  EXPECT_EQ(m_discovery->SearchDevice(), 1);
  ASSERT_TRUE(m_sink.WaitFor(4, 5000));

  // A session from the station reaches the robot it picked at the address the record gave.
  TempLogFolder logs;
  SessionSpy spy;
  CIZAVSocketSession* session = nullptr;
  ASSERT_TRUE(CreateZAVSocketSession(&session));
  {
    // The session's thread, and so its socket, is born in the station.
    ScopedNetns station(rig.NamespacePath(NetnsRig::kStation));
    ASSERT_TRUE(station.ok());
    ASSERT_TRUE(session->StartConnect(Narrow(byName["RobotB"].strIP).c_str(), 5, &spy, &spy));
  }
  ASSERT_TRUE(spy.WaitForStates(2));
  session->SocketSession_ReadServoCaliAngel(1);
  ASSERT_TRUE(spy.WaitForEvents(1));
  session->Release();
  EXPECT_EQ(spy.States(), "1/0 2/0");
  EXPECT_EQ(spy.Events(), std::vector<std::string>{"ReadServoCaliAngel(1,1,22)"});
  EXPECT_TRUE(robotA->LinesWith("RECV tcp").empty());
  EXPECT_TRUE(robotB->WaitForLine("RECV tcp 10.231.77.1:", 2000));
}

TEST_F(SimulatorRigTest, AnnounceModeServesAStationInItsOwnNamespace) {
  NetnsRig rig(1);
  ASSERT_TRUE(rig.ok()) << rig.error();
  // The station holds port 6000 first, as the program does once it runs.
  ASSERT_TRUE(StartDiscoveryInStation(rig));
  auto robot = StartSim(rig, NetnsRig::kStation, {"--address", "127.0.0.1", "--announce", "127.0.0.1",
                                                  "--name", "Beside"});
  ASSERT_TRUE(robot);
  ASSERT_TRUE(m_sink.WaitFor(2, 5000)) << "expected an announcement every second";
  EXPECT_EQ(Narrow(m_sink.Found()[0].strName), "Beside");
  EXPECT_EQ(Narrow(m_sink.Found()[0].strIP), "127.0.0.1");
}

}  // namespace
