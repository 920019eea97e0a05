// The robot simulator as the program's tests use it: a session of the link library against the
// simulator program over loopback (127.0.0.61 to 127.0.0.79), discovery off; its transport faults
// byte for byte through a bare TCP link.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "ZAVServoSocket.h"
#include "codec/Envelope.h"
#include "codec/Frame.h"
#include "codec/ServoCommand.h"
#include "support/LinkSpies.h"
#include "support/TestBytes.h"
#include "support/rig/ChildProcess.h"

namespace {

using Events = std::vector<std::string>;

// One simulator on a loopback address (outside a rig nothing may open UDP port 6000) and a
// session to it with the given read time-out.
struct SimRun {
  void Start(const std::string& address, std::vector<std::string> args, int timeoutSeconds = 5) {
    args.insert(args.begin(), {CALTRIM_ROBOT_SIM, "--address", address, "--no-discovery"});
    sim = ChildProcess::Start(args);
    ASSERT_TRUE(sim && sim->WaitForLine("READY", 5000)) << address;
    ASSERT_TRUE(CreateZAVSocketSession(&session));
    ASSERT_TRUE(session->StartConnect(address.c_str(), timeoutSeconds, &spy, &spy));
    ASSERT_TRUE(spy.WaitForStates(2));
    ASSERT_EQ(spy.States(), "1/0 2/0");
  }
  ~SimRun() {
    if (session) session->Release();
  }
  // How many output lines hold text and not "heartbeat", once count of them have come (or 2 s).
  std::size_t Lines(const std::string& text, std::size_t count) {
    std::size_t lines = 0;
    for (int wait = 0; wait < 100 && lines < count; ++wait) {
      if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      lines = 0;
      for (const std::string& line : sim->LinesWith(text)) lines += line.find("heartbeat") == std::string::npos;
    }
    return lines;
  }

  std::unique_ptr<ChildProcess> sim;
  SessionSpy spy;
  CIZAVSocketSession* session = nullptr;
};

// A bare TCP link to the simulator: frames out, bytes in, no link library in between.
class RawLink {
 public:
  explicit RawLink(const std::string& address) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(6102);
    ::inet_pton(AF_INET, address.c_str(), &peer.sin_addr);
    connected = ::connect(m_fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
    sockaddr_in local{};
    socklen_t size = sizeof local;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &size);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
    name = std::string(text) + ":" + std::to_string(ntohs(local.sin_port));
  }
  ~RawLink() { ::close(m_fd); }
  void Send(const std::string& bytes) { ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  // The bytes that have come, heartbeats dropped unless raw, once count of them are in (or 2 s
  // have passed).
  std::string Received(std::size_t count, bool raw = false) {
    for (int wait = 0; wait < 100 && Bytes(raw).size() < count; ++wait) Take(20);
    return Bytes(raw);
  }
  // Whether the link is still open: nothing but "no bytes yet" when read without waiting.
  bool OpenAndQuiet() {
    char byte;
    return ::recv(m_fd, &byte, 1, MSG_DONTWAIT) < 0 && errno == EAGAIN;
  }
  void EndSending() { ::shutdown(m_fd, SHUT_WR); }

  bool connected = false;
  std::string name;  // as the simulator's lines name this link

 private:
  std::string Bytes(bool raw) const {
    std::string bytes = m_bytes;
    for (std::size_t at; !raw && (at = bytes.find(servolink::BuildHeartbeatFrame())) != std::string::npos;) {
      bytes.erase(at, 10);
    }
    return bytes;
  }
  void Take(int timeoutMs) {
    pollfd fd{m_fd, POLLIN, 0};
    char buffer[256];
    ssize_t got = 0;
    if (::poll(&fd, 1, timeoutMs) > 0 && (got = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0) m_bytes.append(buffer, got);
  }
  int m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::string m_bytes;
};

std::string ReadSnRequest() {
  using namespace servolink;
  return BuildFrame(PackEnvelope(CMD_READ_SN, PackTextBody("")));
}
std::string ReadSnReply() {
  using namespace servolink;
  return BuildFrame(PackEnvelope(CMD_READ_SN, PackTextBody("SN0000000001#02:00:00:00:00:01")));
}

// A simulator with a control pipe: each fault line is written to it and answered.
struct ControlledSim {
  ControlledSim(const std::string& address, const std::string& heartbeatMs)
      : address(address), fifo(::testing::TempDir() + "/robot-" + std::to_string(::getpid()) + "-" + address) {
    sim = ChildProcess::Start({CALTRIM_ROBOT_SIM, "--address", address, "--no-discovery", "--control", fifo,
                               "--heartbeat", heartbeatMs});
  }
  ~ControlledSim() { std::remove(fifo.c_str()); }
  // Writes line to the pipe; true once the simulator has answered it with answer.
  bool Control(const std::string& line, const std::string& answer) {
    const std::size_t before = sim->LinesWith(answer).size();
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const std::string text = line + "\n";
    const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0) ::close(fd);
    return written && sim->WaitForLines(answer, before + 1, 5000);
  }

  std::string address;
  std::string fifo;
  std::unique_ptr<ChildProcess> sim;
};

TEST(SimulatorFaultsTest, FaultLinesOnTheControlPipeChangeTheRepliesOfTheRunningSimulator) {
  ControlledSim run("127.0.0.75", "0");
  ASSERT_TRUE(run.sim && run.sim->WaitForLine("READY", 5000));
  const std::string reply = ReadSnReply();
  const std::string half = reply.substr(0, reply.size() / 2);
  const struct {
    const char* line;
    const char* answer;
    std::string bytes;  // what three read requests on a new link bring back
  } cases[] = {
      {"--cut-replies 2", "FAULTS --cut-replies 2", reply + half + reply},
      {"--stray-bytes 3 --cut-replies 3", "FAULTS --stray", Bytes("EE EE EE") + reply + Bytes("EE EE EE") + reply +
                                                            Bytes("EE EE EE") + half},
      {"--delay x", "ERROR control: bad value for --delay: x", Bytes("EE EE EE") + reply + Bytes("EE EE EE") + reply +
                                                                 Bytes("EE EE EE") + half},
      {"", "FAULTS ", reply + reply + reply},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(run.Control(c.line, c.answer)) << c.line;
    RawLink link(run.address);
    ASSERT_TRUE(link.connected);
    for (int i = 0; i < 3; ++i) link.Send(ReadSnRequest());
    EXPECT_EQ(Hex(link.Received(c.bytes.size())), Hex(c.bytes)) << c.line;
  }
}

TEST(SimulatorFaultsTest, ASilentLinkStaysOpenWithoutAByteOrAHeartbeatUntilThePeerCloses) {
  ControlledSim run("127.0.0.76", "50");
  ASSERT_TRUE(run.sim && run.sim->WaitForLine("READY", 5000));
  const std::string reply = ReadSnReply();
  const struct {
    const char* line;
    std::size_t framesRead;  // of the three sent, before it fell silent
    std::string bytes;       // what came before the silence, heartbeats aside
  } cases[] = {
      {"--go-silent 2", 2, reply},
      {"--cut-replies 2:stop", 2, reply + reply.substr(0, reply.size() / 2)},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(run.Control(c.line, std::string("FAULTS ") + c.line));
    RawLink link(run.address);
    ASSERT_TRUE(link.connected);
    for (int i = 0; i < 3; ++i) link.Send(ReadSnRequest());
    ASSERT_TRUE(run.sim->WaitForLine("SILENT tcp " + link.name, 5000)) << c.line;
    // Three heartbeats on another link: the silent one would have had its own by now.
    RawLink other(run.address);
    const std::string heartbeat = servolink::BuildHeartbeatFrame();
    EXPECT_EQ(other.Received(30, true), heartbeat + heartbeat + heartbeat) << c.line;
    EXPECT_EQ(Hex(link.Received(c.bytes.size())), Hex(c.bytes)) << c.line;
    EXPECT_TRUE(link.OpenAndQuiet()) << c.line;
    link.EndSending();
    ASSERT_TRUE(run.sim->WaitForLine("CLOSE tcp " + link.name + " peer closed the silent link", 5000)) << c.line;
    // From SILENT to CLOSE the simulator did nothing on the link; it read only the frames before.
    const std::vector<std::string> lines = run.sim->LinesWith("tcp " + link.name + " ");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2].rfind("SILENT", 0), 0u) << c.line;
    EXPECT_EQ(run.sim->LinesWith("RECV tcp " + link.name + " ").size(), c.framesRead) << c.line;
  }
}

class SimulatorTest : public ::testing::Test {
 protected:
  TempLogFolder m_logs;
};

TEST_F(SimulatorTest, ServosAndSerialNumberGoBothWaysAndTheStateFileFollowsEveryWriteAndMove) {
  const std::string state = ::testing::TempDir() + "/robot-" + std::to_string(::getpid()) + ".state";
  SimRun run;
  run.Start("127.0.0.71", {"--servos", "4", "--offset", "3=90", "--serial", "SN7", "--bt-mac", "BT:07",
                             "--state-file", state});
  CIZAVSocketSession* s = run.session;
  s->SocketSession_ReadServoCaliAngel(3);
  s->SocketSession_SetCaliAngel(2, -89);
  s->SocketSession_SetCaliAngel(1, 89);
  s->SocketSession_SetCaliAngel(4, 90);  // outside -89..89: refused as a servo does
  s->SocketSession_SetCaliAngel(4, -90);
  s->SocketSession_ReadServoCaliAngel(2);
  s->SocketSession_SetCurrentAngel(2, 90, 0);  // answered, raises no event
  s->SocketSession_ReadCurrentAngel(2);
  s->SocketSession_ReadSN();
  s->SocketSession_WriteSN("VORLA-0042");
  s->SocketSession_ReadSN();
  ASSERT_TRUE(run.spy.WaitForEvents(10));
  EXPECT_EQ(run.spy.Events(), (Events{"ReadServoCaliAngel(1,3,90)", "SetCaliAngel(1,2)", "SetCaliAngel(1,1)",
                                      "SetCaliAngel(0,4)", "SetCaliAngel(0,4)", "ReadServoCaliAngel(1,2,-89)",
                                      "ReadCurrentAngel(1,2,90)", "ReadSN(1,\"SN7#BT:07\",9)", "WriteSN(1,\"0\",1)",
                                      "ReadSN(1,\"VORLA-0042#BT:07\",16)"}));
  // One line for every frame each way; the state is saved before the reply leaves.
  EXPECT_EQ(run.Lines("RECV tcp", 11), 11u);
  EXPECT_EQ(run.Lines("SEND tcp", 11), 11u);
  EXPECT_EQ(run.Lines("servo 0x0D status=0 id=3 value=90 | 34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00 03 00 5A",
                      1), 1u);
  std::ostringstream saved;
  saved << std::ifstream(state).rdbuf();
  EXPECT_EQ(saved.str(),
            "serial=VORLA-0042\noffset.1=89\nangle.1=120\noffset.2=-89\nangle.2=90\n"
            "offset.3=90\nangle.3=120\noffset.4=0\nangle.4=120\n");
  std::remove(state.c_str());
}

TEST_F(SimulatorTest, PerServoFaultsMixOkFailedAndWaitAndASlowServoHoldsBackNoOtherReply) {
  SimRun run;
  run.Start("127.0.0.72",
        {"--refuse-writes", "2", "--fail-reads", "3", "--no-replies=4", "--delay", "500:5", "--refuse-sn-write"});
  CIZAVSocketSession* s = run.session;
  s->SocketSession_SetCaliAngel(1, 10);
  s->SocketSession_SetCaliAngel(2, 10);
  s->SocketSession_ReadServoCaliAngel(3);
  s->SocketSession_SetCaliAngel(4, 5);
  s->SocketSession_SetCaliAngel(5, 7);
  s->SocketSession_ReadServoCaliAngel(1);
  s->SocketSession_WriteSN("X");
  s->SocketSession_ReadServoCaliAngel(4);
  // The slow reply comes last; servo 4 never answers, though its frames arrived before it.
  ASSERT_TRUE(run.spy.WaitForEvents(6));
  EXPECT_EQ(run.spy.Events(), (Events{"SetCaliAngel(1,1)", "SetCaliAngel(0,2)", "ReadServoCaliAngel(0,3,0)",
                                      "ReadServoCaliAngel(1,1,10)", "WriteSN(0,\"1\",1)", "SetCaliAngel(1,5)"}));
  EXPECT_EQ(run.Lines("RECV tcp", 8), 8u);
  for (const std::string& line : run.sim->LinesWith("id=4")) EXPECT_EQ(line.rfind("RECV", 0), 0u) << line;
}

TEST_F(SimulatorTest, ItsHeartbeatKeepsAnIdleLinkUpPastTheReadTimeOutUntilItIsSwitchedOff) {
  SimRun beating;
  SimRun silent;
  beating.Start("127.0.0.73", {}, 2);
  silent.Start("127.0.0.74", {"--heartbeat", "0"}, 2);
  ASSERT_TRUE(silent.spy.WaitForStates(3, std::chrono::seconds(5)));
  EXPECT_EQ(silent.spy.States(), "1/0 2/0 3/3");
  // Three frames of its own a second apart: the link has idled past its two-second time-out.
  ASSERT_TRUE(beating.sim->WaitForLines("SEND tcp", 3, 5000));
  for (const std::string& line : beating.sim->LinesWith("SEND tcp")) {
    EXPECT_NE(line.find(" heartbeat | 34 12 04 00 00 00 01 00 00 00"), std::string::npos) << line;
  }
  EXPECT_EQ(beating.spy.States(), "1/0 2/0");
  EXPECT_TRUE(beating.session->IsConnected());
}

}  // namespace
