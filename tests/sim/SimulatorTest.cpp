// The robot simulator as the program's tests use it: a session of the link library against the
// simulator program over loopback (127.0.0.61 to 127.0.0.79), discovery off.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "ZAVServoSocket.h"
#include "support/LinkSpies.h"
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
