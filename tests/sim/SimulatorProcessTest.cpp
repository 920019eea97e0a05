// The simulator as a program, over loopback TCP (each test on an address of its own, port 6102),
// spoken to with the link library's codec: what its switches do to the bytes on the wire. What it
// answers is checked in RobotCommandsTest and, through a session, in SimulatorSessionTest.

#include <unistd.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "sim/SimLink.h"
#include "sim/SimRequests.h"

namespace {

using Clock = std::chrono::steady_clock;

class SimulatorProcessTest : public ::testing::Test {
 protected:
  void Open(const std::string& address, std::vector<std::string> args = {}) {
    m_sim = StartLoopbackSim(address, std::move(args));
    ASSERT_TRUE(m_sim);
    ASSERT_TRUE(m_link.Connect(address));
  }

  ServoReplyFields Servo(const ServoCommand& command, bool withValue) {
    ServoReplyFields fields;
    std::string payload;
    int type = -1;
    EXPECT_TRUE(m_link.Send(ServoFrame(command)));
    EXPECT_TRUE(m_link.ReceiveFrame(&payload) && ReadServoReply(payload, &type, &fields, withValue));
    EXPECT_EQ(type, command.type);
    return fields;
  }

  std::string Text(int cmd, const std::string& text) {
    std::string payload;
    std::string reply;
    EXPECT_TRUE(m_link.Send(TextFrame(cmd, text)));
    EXPECT_TRUE(m_link.ReceiveFrame(&payload) && ReadTextReply(payload, cmd, &reply));
    return reply;
  }

  std::unique_ptr<ChildProcess> m_sim;
  SimLink m_link;
};

TEST_F(SimulatorProcessTest, StateFileKeepsOffsetsAndSerialAcrossARestartAndHeartbeatsGetNoAnswer) {
  const std::string state = ::testing::TempDir() + "/sim-state-" + std::to_string(::getpid());
  Open("127.0.0.63", {"--state-file", state});
  ASSERT_TRUE(m_link.Send(BuildHeartbeatFrame() + BuildHeartbeatFrame()));
  EXPECT_TRUE(Servo(ServoCommand::SetCaliAngle(7, 12), false).ok);
  EXPECT_EQ(Text(CMD_WRITE_SN, "KEPT"), "0");
  EXPECT_EQ(SettledLines(m_sim.get(), "heartbeat", 2), 2u);
  EXPECT_EQ(m_sim->Terminate(), 0);

  Open("127.0.0.63", {"--state-file", state});
  EXPECT_EQ(Servo(ServoCommand::ReadCaliAngle(7), true).value, 12);
  EXPECT_EQ(Text(CMD_READ_SN, "").substr(0, 5), "KEPT#");
  std::remove(state.c_str());
}

TEST_F(SimulatorProcessTest, NoRepliesReadsEverythingAndAnswersNothing) {
  Open("127.0.0.64", {"--no-replies"});
  ASSERT_TRUE(m_link.Send(ServoFrame(ServoCommand::ReadCaliAngle(1)) + TextFrame(CMD_READ_SN, "")));
  EXPECT_TRUE(m_sim->WaitForLines("RECV tcp", 2, 3000));
  EXPECT_EQ(m_link.ReceiveOnce(300), "");
  EXPECT_TRUE(m_sim->LinesWith("SEND").empty());
}

TEST_F(SimulatorProcessTest, CloseAfterEndsTheLinkOnTheNthFrameAndTheNextLinkCountsAfresh) {
  Open("127.0.0.65", {"--close-after", "2"});
  EXPECT_TRUE(Servo(ServoCommand::ReadCaliAngle(1), true).ok);
  ASSERT_TRUE(m_link.Send(ServoFrame(ServoCommand::ReadCaliAngle(1))));
  EXPECT_TRUE(m_link.ClosedByPeer(3000));
  EXPECT_EQ(SettledLines(m_sim.get(), "SEND tcp", 1), 1u);
  EXPECT_EQ(SettledLines(m_sim.get(), "CLOSE tcp", 1), 1u);
  ASSERT_TRUE(m_link.Connect("127.0.0.65"));
  EXPECT_TRUE(Servo(ServoCommand::ReadCaliAngle(1), true).ok);
}

TEST_F(SimulatorProcessTest, StrayBytesComeBeforeEveryReply) {
  Open("127.0.0.66", {"--stray-bytes", "3"});
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(m_link.Send(ServoFrame(ServoCommand::ReadCaliAngle(1))));
    const std::string bytes = m_link.Receive(3 + 20, 3000);
    ASSERT_EQ(bytes.size(), 23u);
    EXPECT_EQ(bytes.substr(0, 5), std::string("\xEE\xEE\xEE\x34\x12", 5));
  }
  EXPECT_EQ(SettledLines(m_sim.get(), "stray 3 bytes | EE EE EE", 2), 2u);
}

TEST_F(SimulatorProcessTest, SplitRepliesArriveInSmallPieces) {
  Open("127.0.0.67", {"--split", "2", "--split-gap", "40"});
  ASSERT_TRUE(m_link.Send(ServoFrame(ServoCommand::ReadCaliAngle(4))));
  // A reader asking for a 4-byte field gets only what the first piece holds.
  const std::string first = m_link.ReceiveOnce(3000, 4);
  EXPECT_EQ(first, std::string("\x34\x12", 2));
  const std::string rest = m_link.Receive(18, 3000);
  ASSERT_EQ(rest.size(), 18u);
  int type = -1;
  ServoReplyFields fields;
  EXPECT_TRUE(ReadServoReply((first + rest).substr(kFrameHeaderSize), &type, &fields, true));
  EXPECT_EQ(fields.id, 4);
}

TEST_F(SimulatorProcessTest, DelayHoldsEveryReply) {
  Open("127.0.0.68", {"--delay", "400"});
  const auto sent = Clock::now();
  Servo(ServoCommand::ReadCaliAngle(1), true);
  EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(380));
}

TEST_F(SimulatorProcessTest, SigtermEndsItCleanlyAndHelpExplainsItself) {
  Open("127.0.0.70");
  const auto asked = Clock::now();
  EXPECT_EQ(m_sim->Terminate(2000), 0);
  EXPECT_LT(Clock::now() - asked, std::chrono::milliseconds(1500));
  EXPECT_EQ(SettledLines(m_sim.get(), "EXIT on SIGTERM", 1), 1u);

  std::string help;
  EXPECT_EQ(RunCommand({CALTRIM_ROBOT_SIM, "--help"}, &help), 0);
  EXPECT_NE(help.find("--split-gap"), std::string::npos);
  std::string complaint;
  EXPECT_EQ(RunCommand({CALTRIM_ROBOT_SIM, "--servos", "99"}, &complaint), 2);
  EXPECT_NE(complaint.find("--servos"), std::string::npos);
}

}  // namespace
