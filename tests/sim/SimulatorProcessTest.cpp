// The simulator program over loopback TCP (127.0.0.61 to 127.0.0.79), discovery off: what its
// switches do to the bytes on the wire, and what a session of the link library hears from it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "ZAVServoSocket.h"
#include "sim/SimRequests.h"
#include "support/LinkSpies.h"
#include "support/rig/ChildProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

// A plain TCP client of the simulator's command service, reading with time-outs.
class SimLink {
 public:
  ~SimLink() { Close(); }

  bool Connect(const std::string& host) {
    Close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(6102);
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    return m_fd >= 0 && ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  void Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
  }
  bool Send(const std::string& bytes) {
    return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }

  // What one receive returns (at most size bytes); empty after timeoutMs or at the end.
  std::string ReceiveOnce(int timeoutMs, std::size_t size = 4096) {
    pollfd ready{m_fd, POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) != 1) return "";
    std::string buffer(size, '\0');
    const ssize_t got = ::recv(m_fd, buffer.data(), size, 0);
    buffer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return buffer;
  }

  // Up to size bytes, each piece within timeoutMs.
  std::string Receive(std::size_t size, int timeoutMs = 3000) {
    std::string bytes;
    for (std::string piece = "-"; bytes.size() < size && !piece.empty(); bytes += piece) {
      piece = ReceiveOnce(timeoutMs, size - bytes.size());
    }
    return bytes;
  }

  // The next whole frame's payload.
  bool ReceiveFrame(std::string* payload) {
    const std::string header = Receive(kFrameHeaderSize);
    if (header.size() != kFrameHeaderSize) return false;
    const auto size = static_cast<std::size_t>(
        DecodeFrameHeader(reinterpret_cast<const std::uint8_t*>(header.data())).length - kFrameLengthOverhead);
    *payload = Receive(size);
    return payload->size() == size;
  }

  bool ClosedByPeer(int timeoutMs) {
    pollfd ready{m_fd, POLLIN, 0};
    char byte;
    return ::poll(&ready, 1, timeoutMs) == 1 && ::recv(m_fd, &byte, 1, MSG_PEEK) == 0;
  }

 private:
  int m_fd = -1;
};

// Starts the simulator with args and waits until it serves. Discovery stays off: outside a
// rig nothing may open UDP port 6000.
std::unique_ptr<ChildProcess> StartLoopbackSim(const std::string& address, std::vector<std::string> args = {}) {
  std::vector<std::string> argv = {CALTRIM_ROBOT_SIM, "--address", address, "--no-discovery"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::unique_ptr<ChildProcess> sim = ChildProcess::Start(argv);
  if (sim && !sim->WaitForLine("READY", 5000)) return nullptr;
  return sim;
}

// How many output lines contain text, once count of them have come (or 2 s have passed).
std::size_t SettledLines(ChildProcess* child, const std::string& text, std::size_t count) {
  child->WaitForLines(text, count, 2000);
  return child->LinesWith(text).size();
}

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
    const std::string bytes = m_link.Receive(3 + 20);
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
  const std::string rest = m_link.Receive(18);
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
