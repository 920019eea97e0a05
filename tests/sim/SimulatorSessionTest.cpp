// A session of the link library against the simulator over loopback TCP (127.0.0.71 to
// 127.0.0.79, discovery off): the commands the program uses, and what each fault does to them.

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ZAVServoSocket.h"
#include "sim/SessionRecorder.h"
#include "sim/SimLink.h"

namespace {

using namespace std::chrono_literals;

class SimulatorSessionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (m_session) m_session->Release();
  }

  // Starts the simulator at address and connects a session to it, waiting at most timeout
  // seconds per read.
  void Connect(const std::string& address, std::vector<std::string> args, int timeoutSeconds = 5) {
    m_sim = StartLoopbackSim(address, std::move(args));
    ASSERT_TRUE(m_sim);
    ASSERT_TRUE(CreateZAVSocketSession(&m_session));
    ASSERT_TRUE(m_session->StartConnect(address.c_str(), timeoutSeconds, &m_recorder, &m_recorder));
    ASSERT_EQ(m_recorder.WaitFor("state 2"), "state 2/0");
  }

  TempLogFolder m_logs;
  Recorder m_recorder;
  std::unique_ptr<ChildProcess> m_sim;
  CIZAVSocketSession* m_session = nullptr;
};

TEST_F(SimulatorSessionTest, OffsetsAnglesAndSerialNumberGoBothWays) {
  Connect("127.0.0.71", {"--offset", "3=90", "--serial", "SN7", "--bt-mac", "BT:07"});
  m_session->SocketSession_ReadServoCaliAngel(3);
  EXPECT_EQ(m_recorder.WaitFor("cali"), "cali ok 3 90");
  m_session->SocketSession_SetCaliAngel(2, -3);
  EXPECT_EQ(m_recorder.WaitFor("setcali"), "setcali ok 2 0");
  m_session->SocketSession_ReadServoCaliAngel(2);
  EXPECT_EQ(m_recorder.WaitFor("cali"), "cali ok 2 -3");
  m_session->SocketSession_SetCurrentAngel(5, 90, 0);
  m_session->SocketSession_ReadCurrentAngel(5);
  EXPECT_EQ(m_recorder.WaitFor("angle"), "angle ok 5 90");
  m_session->SocketSession_ReadSN();
  EXPECT_EQ(m_recorder.WaitFor("readsn"), "readsn ok \"SN7#BT:07\"");
  m_session->SocketSession_WriteSN("VORLA-0042");
  EXPECT_EQ(m_recorder.WaitFor("writesn"), "writesn ok \"0\"");
  m_session->SocketSession_ReadSN();
  EXPECT_EQ(m_recorder.WaitFor("readsn"), "readsn ok \"VORLA-0042#BT:07\"");
  // Every command of the session reached the simulator as one frame, besides any heartbeats.
  EXPECT_EQ(SettledLines(m_sim.get(), "RECV tcp", 8) - m_sim->LinesWith("heartbeat").size(), 8u);
}

TEST_F(SimulatorSessionTest, RefusedWritesAndFailedReadsArriveAsFailures) {
  Connect("127.0.0.72", {"--refuse-writes", "2", "--fail-reads", "3", "--refuse-sn-write"});
  m_session->SocketSession_SetCaliAngel(2, 10);
  EXPECT_EQ(m_recorder.WaitFor("setcali"), "setcali failed 2 0");
  m_session->SocketSession_ReadServoCaliAngel(3);
  EXPECT_EQ(m_recorder.WaitFor("cali"), "cali failed 3 0");
  m_session->SocketSession_ReadCurrentAngel(3);
  EXPECT_EQ(m_recorder.WaitFor("angle"), "angle failed 3 0");
  m_session->SocketSession_WriteSN("X");
  EXPECT_EQ(m_recorder.WaitFor("writesn"), "writesn failed \"1\"");
}

TEST_F(SimulatorSessionTest, ARobotThatNeverAnswersLosesTheLinkAfterTheTimeout) {
  Connect("127.0.0.73", {"--no-replies"}, 1);
  m_session->SocketSession_ReadServoCaliAngel(1);
  EXPECT_EQ(m_recorder.WaitFor("state 3", 4s), "state 3/3");
  EXPECT_EQ(m_recorder.WaitFor("cali", 10ms), "");
}

TEST_F(SimulatorSessionTest, ClosingAfterAFrameEndsTheRun) {
  Connect("127.0.0.74", {"--close-after", "2"});
  m_session->SocketSession_ReadServoCaliAngel(1);
  EXPECT_EQ(m_recorder.WaitFor("cali"), "cali ok 1 0");
  m_session->SocketSession_ReadServoCaliAngel(1);
  EXPECT_EQ(m_recorder.WaitFor("state 3"), "state 3/3");
}

TEST_F(SimulatorSessionTest, AStrayByteCostsTheReplyBehindIt) {
  Connect("127.0.0.75", {"--stray-bytes", "1"});
  m_session->SocketSession_ReadServoCaliAngel(4);
  EXPECT_TRUE(m_sim->WaitForLine("SEND tcp", 3000));
  // The reader takes the stray byte and the first magic byte as a magic, and steps on two bytes
  // at a time through the frame: the reply is lost, the link stays.
  EXPECT_EQ(m_recorder.WaitFor("cali", 1500ms), "");
  EXPECT_EQ(m_recorder.WaitFor("state 3", 10ms), "");
}

TEST_F(SimulatorSessionTest, RepliesInOneBytePiecesStillArriveWhole) {
  Connect("127.0.0.76", {"--split", "1", "--split-gap", "5"});
  m_session->SocketSession_ReadServoCaliAngel(6);
  EXPECT_EQ(m_recorder.WaitFor("cali"), "cali ok 6 0");
}

TEST_F(SimulatorSessionTest, AReplySlowerThanTheReadTimeoutEndsTheRun) {
  Connect("127.0.0.77", {"--delay", "2500"}, 1);
  m_session->SocketSession_ReadServoCaliAngel(1);
  EXPECT_EQ(m_recorder.WaitFor("state 3", 5s), "state 3/3");
  EXPECT_EQ(m_recorder.WaitFor("cali", 10ms), "");
}

TEST_F(SimulatorSessionTest, ASlowReplyWithinTheTimeoutArrives) {
  Connect("127.0.0.78", {"--delay", "600"});
  const auto asked = std::chrono::steady_clock::now();
  m_session->SocketSession_ReadServoCaliAngel(1);
  EXPECT_EQ(m_recorder.WaitFor("cali"), "cali ok 1 0");
  EXPECT_GE(std::chrono::steady_clock::now() - asked, 550ms);
}

}  // namespace
