// The simulator as a program, over loopback TCP (each test on an address of its own, port 6102),
// spoken to with the link library's codec.

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include <gtest/gtest.h>

#include "sim/SimLink.h"
#include "sim/SimRequests.h"

namespace {

using Clock = std::chrono::steady_clock;

ServoReplyFields ServoRoundTrip(SimLink* link, const ServoCommand& command, bool withValue) {
  ServoReplyFields fields;
  EXPECT_TRUE(link->Send(ServoFrame(command)));
  std::string payload;
  if (!link->ReceiveFrame(&payload)) {
    ADD_FAILURE() << "no reply to servo command " << static_cast<int>(command.type);
    return fields;
  }
  int type = -1;
  EXPECT_TRUE(ReadServoReply(payload, &type, &fields, withValue));
  EXPECT_EQ(type, command.type);
  return fields;
}

std::string TextRoundTrip(SimLink* link, int cmd, const std::string& text) {
  EXPECT_TRUE(link->Send(TextFrame(cmd, text)));
  std::string payload;
  std::string reply;
  EXPECT_TRUE(link->ReceiveFrame(&payload));
  EXPECT_TRUE(ReadTextReply(payload, cmd, &reply));
  return reply;
}

TEST(SimulatorProcessTest, OffsetsAnglesAndSerialNumberAreReadAndWritten) {
  auto sim = StartLoopbackSim("127.0.0.61", {"--offset", "3=90", "--serial", "SN1", "--bt-mac", "BT:01"});
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.61"));

  ServoReplyFields fields = ServoRoundTrip(&link, ServoCommand::ReadCaliAngle(3), true);
  EXPECT_TRUE(fields.ok);
  EXPECT_EQ(fields.value, 90);
  EXPECT_TRUE(ServoRoundTrip(&link, ServoCommand::SetCaliAngle(2, -3), false).ok);
  EXPECT_EQ(ServoRoundTrip(&link, ServoCommand::ReadCaliAngle(2), true).value, -3);
  EXPECT_TRUE(ServoRoundTrip(&link, ServoCommand::SetCurrentAngle(5, 90, 0), false).ok);
  EXPECT_EQ(ServoRoundTrip(&link, ServoCommand::ReadCurrentAngle(5), true).value, 90);
  EXPECT_TRUE(ServoRoundTrip(&link, ServoCommand::ReadInfo(5), true).ok);

  EXPECT_EQ(TextRoundTrip(&link, CMD_READ_SN, ""), "SN1#BT:01");
  EXPECT_EQ(TextRoundTrip(&link, CMD_WRITE_SN, "SN2"), "0");
  EXPECT_EQ(TextRoundTrip(&link, CMD_READ_SN, ""), "SN2#BT:01");

  // One line per frame each way, with the frame's bytes.
  EXPECT_EQ(SettledLines(sim.get(), "RECV tcp", 9), 9u);
  EXPECT_EQ(SettledLines(sim.get(), "SEND tcp", 9), 9u);
  EXPECT_EQ(SettledLines(sim.get(), "servo 0x0D status=0 id=3 value=90 | 34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00 03 00 5A", 1), 1u);
}

TEST(SimulatorProcessTest, HeartbeatsAreAcceptedWithoutAnAnswer) {
  auto sim = StartLoopbackSim("127.0.0.62");
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.62"));
  ASSERT_TRUE(link.Send(BuildHeartbeatFrame() + BuildHeartbeatFrame()));
  EXPECT_EQ(TextRoundTrip(&link, CMD_READ_SN, "").substr(0, 3), "SN0");
  EXPECT_EQ(SettledLines(sim.get(), "heartbeat", 2), 2u);
}

TEST(SimulatorProcessTest, StateFileKeepsOffsetsAndSerialAcrossARestart) {
  const std::string state = ::testing::TempDir() + "/sim-state-" + std::to_string(::getpid());
  {
    auto sim = StartLoopbackSim("127.0.0.63", {"--state-file", state});
    ASSERT_TRUE(sim);
    SimLink link;
    ASSERT_TRUE(link.Connect("127.0.0.63"));
    EXPECT_TRUE(ServoRoundTrip(&link, ServoCommand::SetCaliAngle(7, 12), false).ok);
    EXPECT_EQ(TextRoundTrip(&link, CMD_WRITE_SN, "KEPT"), "0");
    EXPECT_EQ(sim->Terminate(), 0);
  }
  auto sim = StartLoopbackSim("127.0.0.63", {"--state-file", state});
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.63"));
  EXPECT_EQ(ServoRoundTrip(&link, ServoCommand::ReadCaliAngle(7), true).value, 12);
  EXPECT_EQ(TextRoundTrip(&link, CMD_READ_SN, "").substr(0, 5), "KEPT#");
  std::remove(state.c_str());
}

TEST(SimulatorProcessTest, NoRepliesReadsEverythingAndAnswersNothing) {
  auto sim = StartLoopbackSim("127.0.0.64", {"--no-replies"});
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.64"));
  ASSERT_TRUE(link.Send(ServoFrame(ServoCommand::ReadCaliAngle(1)) + TextFrame(CMD_READ_SN, "")));
  EXPECT_TRUE(sim->WaitForLines("RECV tcp", 2, 3000));
  EXPECT_EQ(link.ReceiveOnce(300), "");
  EXPECT_TRUE(sim->LinesWith("SEND").empty());
}

TEST(SimulatorProcessTest, CloseAfterEndsTheLinkOnTheNthFrame) {
  auto sim = StartLoopbackSim("127.0.0.65", {"--close-after", "2"});
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.65"));
  EXPECT_TRUE(ServoRoundTrip(&link, ServoCommand::ReadCaliAngle(1), true).ok);
  ASSERT_TRUE(link.Send(ServoFrame(ServoCommand::ReadCaliAngle(1))));
  EXPECT_TRUE(link.ClosedByPeer(3000));
  EXPECT_EQ(SettledLines(sim.get(), "SEND tcp", 1), 1u);
  EXPECT_EQ(SettledLines(sim.get(), "CLOSE tcp", 1), 1u);

  // The next link starts counting afresh.
  SimLink again;
  ASSERT_TRUE(again.Connect("127.0.0.65"));
  EXPECT_TRUE(ServoRoundTrip(&again, ServoCommand::ReadCaliAngle(1), true).ok);
}

TEST(SimulatorProcessTest, StrayBytesComeBeforeEveryReply) {
  auto sim = StartLoopbackSim("127.0.0.66", {"--stray-bytes", "3"});
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.66"));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(link.Send(ServoFrame(ServoCommand::ReadCaliAngle(1))));
    const std::string bytes = link.Receive(3 + 20, 3000);
    ASSERT_EQ(bytes.size(), 23u);
    EXPECT_EQ(bytes.substr(0, 5), std::string("\xEE\xEE\xEE\x34\x12", 5));
  }
  EXPECT_EQ(SettledLines(sim.get(), "stray 3 bytes | EE EE EE", 2), 2u);
}

TEST(SimulatorProcessTest, SplitRepliesArriveInSmallPieces) {
  auto sim = StartLoopbackSim("127.0.0.67", {"--split", "2", "--split-gap", "40"});
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.67"));
  ASSERT_TRUE(link.Send(ServoFrame(ServoCommand::ReadCaliAngle(4))));
  // A reader asking for a 4-byte field gets only what the first piece holds.
  const std::string first = link.ReceiveOnce(3000, 4);
  EXPECT_EQ(first, std::string("\x34\x12", 2));
  const std::string rest = link.Receive(18, 3000);
  ASSERT_EQ(rest.size(), 18u);
  int type = -1;
  ServoReplyFields fields;
  EXPECT_TRUE(ReadServoReply((first + rest).substr(kFrameHeaderSize), &type, &fields, true));
  EXPECT_EQ(fields.id, 4);
}

TEST(SimulatorProcessTest, DelayHoldsEveryReply) {
  auto sim = StartLoopbackSim("127.0.0.68", {"--delay", "400"});
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.68"));
  const auto sent = Clock::now();
  ASSERT_TRUE(link.Send(ServoFrame(ServoCommand::ReadCaliAngle(1))));
  std::string payload;
  ASSERT_TRUE(link.ReceiveFrame(&payload, 3000));
  EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(380));
}

TEST(SimulatorProcessTest, FaultyServosRefuseWritesAndFailReads) {
  auto sim = StartLoopbackSim("127.0.0.69", {"--refuse-writes", "2", "--fail-reads", "3", "--fail-servo", "4",
                                             "--refuse-sn-write"});
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.69"));
  EXPECT_FALSE(ServoRoundTrip(&link, ServoCommand::SetCaliAngle(2, 5), false).ok);
  EXPECT_EQ(ServoRoundTrip(&link, ServoCommand::ReadCaliAngle(2), true).value, 0);
  EXPECT_FALSE(ServoRoundTrip(&link, ServoCommand::ReadCaliAngle(3), true).ok);
  EXPECT_TRUE(ServoRoundTrip(&link, ServoCommand::SetCaliAngle(3, 5), false).ok);
  EXPECT_FALSE(ServoRoundTrip(&link, ServoCommand::SetCurrentAngle(4, 5, 0), false).ok);
  EXPECT_FALSE(ServoRoundTrip(&link, ServoCommand::ReadCurrentAngle(4), true).ok);
  EXPECT_TRUE(ServoRoundTrip(&link, ServoCommand::ReadCaliAngle(1), true).ok);
  EXPECT_EQ(TextRoundTrip(&link, CMD_WRITE_SN, "NEW"), "1");
  EXPECT_EQ(TextRoundTrip(&link, CMD_READ_SN, "").substr(0, 4), "SN00");
}

TEST(SimulatorProcessTest, SigtermEndsItCleanlyAndHelpExplainsItself) {
  auto sim = StartLoopbackSim("127.0.0.70");
  ASSERT_TRUE(sim);
  SimLink link;
  ASSERT_TRUE(link.Connect("127.0.0.70"));
  const auto asked = Clock::now();
  EXPECT_EQ(sim->Terminate(2000), 0);
  EXPECT_LT(Clock::now() - asked, std::chrono::milliseconds(1500));
  EXPECT_EQ(SettledLines(sim.get(), "EXIT on SIGTERM", 1), 1u);

  std::string help;
  EXPECT_EQ(RunCommand({CALTRIM_ROBOT_SIM, "--help"}, &help), 0);
  EXPECT_NE(help.find("--split-gap"), std::string::npos);
  std::string complaint;
  EXPECT_EQ(RunCommand({CALTRIM_ROBOT_SIM, "--servos", "99"}, &complaint), 2);
  EXPECT_NE(complaint.find("--servos"), std::string::npos);
}

}  // namespace
