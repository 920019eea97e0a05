// A session of the link library against the simulator over loopback TCP (127.0.0.71 to
// 127.0.0.79, discovery off). How a session meets a faulty link is checked against the test robot
// in SessionTest, and what each fault switch does to the wire in SimulatorProcessTest.

#include <gtest/gtest.h>

#include "ZAVServoSocket.h"
#include "sim/SimLink.h"
#include "support/LinkSpies.h"

namespace {

using Events = std::vector<std::string>;

class SimulatorSessionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (m_session) m_session->Release();
  }

  void Connect(const std::string& address, std::vector<std::string> args) {
    m_sim = StartLoopbackSim(address, std::move(args));
    ASSERT_TRUE(m_sim);
    ASSERT_TRUE(CreateZAVSocketSession(&m_session));
    ASSERT_TRUE(m_session->StartConnect(address.c_str(), 5, &m_spy, &m_spy));
    ASSERT_TRUE(m_spy.WaitForStates(2));
    ASSERT_EQ(m_spy.States(), "1/0 2/0");
  }

  TempLogFolder m_logs;
  SessionSpy m_spy;
  std::unique_ptr<ChildProcess> m_sim;
  CIZAVSocketSession* m_session = nullptr;
};

TEST_F(SimulatorSessionTest, OffsetsAnglesAndSerialNumberGoBothWaysWithOneLinePerFrame) {
  Connect("127.0.0.71", {"--offset", "3=90", "--serial", "SN7", "--bt-mac", "BT:07"});
  m_session->SocketSession_ReadServoCaliAngel(3);
  m_session->SocketSession_SetCaliAngel(2, -3);
  m_session->SocketSession_ReadServoCaliAngel(2);
  m_session->SocketSession_SetCurrentAngel(5, 90, 0);
  m_session->SocketSession_ReadCurrentAngel(5);
  m_session->SocketSession_ReadSN();
  m_session->SocketSession_WriteSN("VORLA-0042");
  m_session->SocketSession_ReadSN();
  ASSERT_TRUE(m_spy.WaitForEvents(7));
  EXPECT_EQ(m_spy.Events(), (Events{"ReadServoCaliAngel(1,3,90)", "SetCaliAngel(1,2)", "ReadServoCaliAngel(1,2,-3)",
                                    "ReadCurrentAngel(1,5,90)", "ReadSN(1,\"SN7#BT:07\",9)", "WriteSN(1,\"0\",1)",
                                    "ReadSN(1,\"VORLA-0042#BT:07\",16)"}));
  // Every command reached the simulator as one frame, besides any heartbeats, and each was answered.
  EXPECT_EQ(SettledLines(m_sim.get(), "RECV tcp", 8) - m_sim->LinesWith("heartbeat").size(), 8u);
  EXPECT_EQ(SettledLines(m_sim.get(), "SEND tcp", 8), 8u);
  EXPECT_EQ(SettledLines(m_sim.get(), "servo 0x0D status=0 id=3 value=90 | "
                                      "34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00 03 00 5A", 1), 1u);
}

TEST_F(SimulatorSessionTest, FaultyServosAndARefusedSerialNumberArriveAsFailures) {
  Connect("127.0.0.72", {"--refuse-writes", "2", "--fail-reads", "3", "--fail-servo", "4", "--refuse-sn-write"});
  m_session->SocketSession_SetCaliAngel(2, 10);
  m_session->SocketSession_ReadServoCaliAngel(2);
  m_session->SocketSession_ReadServoCaliAngel(3);
  m_session->SocketSession_SetCaliAngel(3, 5);
  m_session->SocketSession_ReadCurrentAngel(4);
  m_session->SocketSession_SetCaliAngel(4, 5);
  m_session->SocketSession_WriteSN("X");
  m_session->SocketSession_ReadSN();
  ASSERT_TRUE(m_spy.WaitForEvents(8));
  EXPECT_EQ(m_spy.Events(), (Events{"SetCaliAngel(0,2)", "ReadServoCaliAngel(1,2,0)", "ReadServoCaliAngel(0,3,0)",
                                    "SetCaliAngel(1,3)", "ReadCurrentAngel(0,4,0)", "SetCaliAngel(0,4)",
                                    "WriteSN(0,\"1\",1)", "ReadSN(1,\"SN0000000001#02:00:00:00:00:01\",30)"}));
}

}  // namespace
