// The command session against a test robot on loopback. Each case has its own address
// (127.0.0.2 - 127.0.0.39, port 6102), so cases run side by side.

#include "session/CZAVSocketSessionImpl.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "TestBytes.h"
#include "TestRobotPeer.h"
#include "support/LinkSpies.h"

using namespace servolink;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

const std::string kHeartbeat = Bytes("34 12 04 00 00 00 01 00 00 00");

// The read-calibration request for servo id, and its reply with value 90.
std::string ReadCaliFrame(int id) {
  return Bytes("34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0D A1") + static_cast<char>(id);
}
std::string CaliReply(int id) {
  return Bytes("34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00") + static_cast<char>(id) + Bytes("00 5A");
}

class SessionTest : public ::testing::Test {
 protected:
  // Starts a run to peer and waits for "connected" and for the peer's new connection.
  void Connect(TestRobotPeer& peer, int timeoutSeconds = 5) {
    ASSERT_TRUE(peer.IsListening()) << peer.Address();
    const std::size_t states = spy.StateCount();
    const int connections = peer.Connections();
    ASSERT_TRUE(session.StartConnect(peer.Address().c_str(), timeoutSeconds, &spy, &spy));
    ASSERT_TRUE(spy.WaitForStates(states + 2)) << spy.States();
    const std::string all = spy.States();
    ASSERT_EQ(all.substr(all.size() - 7), "1/0 2/0") << all;
    ASSERT_TRUE(peer.WaitForConnections(connections + 1, 5s));
  }

  Lines OnlyLogFile() {
    const auto files = logs.Files();
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? Lines{} : LogBodies(logs.Folder() / files[0]);
  }

  TempLogFolder logs;
  TestClock clock;
  SessionSpy spy;
  CZAVSocketSessionImpl session;  // last: it ends before what it talks to
};

TEST_F(SessionTest, EveryCommandLeavesByteForByteInOrderAndWithoutPauses) {
  TestRobotPeer peer("127.0.0.2");
  Connect(peer);
  const auto start = Clock::now();
  EXPECT_TRUE(session.SocketSession_ReadServoCaliAngel(3));
  EXPECT_TRUE(session.SocketSession_SetCurrentAngel(5, 90, 2000));
  EXPECT_TRUE(session.SocketSession_SetCaliAngel(2, -3));
  EXPECT_TRUE(session.SocketSession_ReadSN());
  EXPECT_TRUE(session.SocketSession_WriteSN("abc"));
  EXPECT_TRUE(session.SocketSession_ReadServoInfo(20));
  EXPECT_TRUE(session.SocketSession_ReadCurrentAngel(0x81));
  for (int id = 1; id <= 3; ++id) session.SocketSession_ReadServoCaliAngel(id);
  const std::string expected =
      ReadCaliFrame(3) + Bytes("34 12 0F 00 00 00 01 00 00 00 92 01 A8 92 05 A5 05 00 5A 07 D0") +
      Bytes("34 12 0D 00 00 00 01 00 00 00 92 01 A6 92 0C A3 02 FF FD") +
      Bytes("34 12 09 00 00 00 01 00 00 00 92 34 A2 91 A0") +
      Bytes("34 12 0C 00 00 00 01 00 00 00 92 33 A5 91 A3 61 62 63") +
      Bytes("34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0E A1 14") +
      Bytes("34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 06 A1 81") + ReadCaliFrame(1) + ReadCaliFrame(2) +
      ReadCaliFrame(3);
  ASSERT_TRUE(peer.WaitForReceived(expected.size(), 5s));
  // With a 100 ms pause between frames the ten would take most of a second.
  EXPECT_LT(Clock::now() - start, 600ms);
  EXPECT_EQ(Hex(peer.Received()), Hex(expected));
}

TEST_F(SessionTest, EmptyFramesAreRefusedAndAFrameTheSocketTakesInPartsLeavesWholeAndNoByteTwice) {
  // The robot stops reading with a small window: the socket takes only part of a large frame,
  // the rest follows when the robot reads again, and the next frame after it.
  TestRobotPeer peer("127.0.0.18", false, /*receiveBuffer=*/4096);
  Connect(peer);
  EXPECT_FALSE(session.SendData(nullptr, 10));
  EXPECT_FALSE(session.SendData("x", 0));
  EXPECT_FALSE(session.SendData("x", -1));
  peer.SetReading(false);
  std::string large(8 << 20, '\0');  // beyond any send buffer plus window of loopback
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>((i * 7) ^ (i >> 11));
  ASSERT_TRUE(session.SendData(large.data(), static_cast<int>(large.size())));
  ASSERT_TRUE(session.SendData(kHeartbeat.data(), static_cast<int>(kHeartbeat.size())));
  std::this_thread::sleep_for(400ms);
  peer.SetReading(true);
  ASSERT_TRUE(peer.WaitForReceived(large.size() + kHeartbeat.size(), 30s)) << peer.Received().size();
  // A last frame leaves after every byte queued before it, repeated ones included.
  session.SocketSession_ReadServoCaliAngel(1);
  ASSERT_TRUE(peer.WaitForReceived(large.size() + kHeartbeat.size() + ReadCaliFrame(1).size(), 5s));
  const std::string received = peer.Received();
  ASSERT_EQ(received.size(), large.size() + kHeartbeat.size() + ReadCaliFrame(1).size());
  EXPECT_TRUE(received.compare(0, large.size(), large) == 0) << "the large frame arrived altered";
  EXPECT_EQ(Hex(received.substr(large.size())), Hex(kHeartbeat + ReadCaliFrame(1)));
  EXPECT_EQ(spy.States(), "1/0 2/0");
}

TEST_F(SessionTest, AConnectThatDoesNotCompleteTimesOutAndCommandsQueuedMeanwhileLeaveOnceItIsUp) {
  TestRobotPeer peer("127.0.0.13", /*holdConnections=*/true);
  ASSERT_TRUE(peer.IsListening());
  ASSERT_TRUE(session.StartConnect("127.0.0.13", 1, &spy, &spy));
  ASSERT_TRUE(spy.WaitForStates(1));
  const auto start = Clock::now();
  ASSERT_TRUE(spy.WaitForStates(2, 6s));
  EXPECT_EQ(spy.States(), "1/0 3/1");
  EXPECT_GE(Clock::now() - start, 800ms);
  EXPECT_FALSE(session.IsConnected());

  ASSERT_TRUE(session.StartConnect("127.0.0.13", 10, &spy, &spy));
  ASSERT_TRUE(spy.WaitForStates(3));
  for (int id = 1; id <= 3; ++id) EXPECT_TRUE(session.SocketSession_ReadServoCaliAngel(id));
  EXPECT_EQ(spy.States(), "1/0 3/1 1/0") << "queued while the connect waits";
  peer.ReleaseConnections();  // the next SYN of the session gets through
  ASSERT_TRUE(spy.WaitForStates(4, 8s));
  EXPECT_EQ(spy.States(), "1/0 3/1 1/0 2/0");
  const std::string expected = ReadCaliFrame(1) + ReadCaliFrame(2) + ReadCaliFrame(3);
  ASSERT_TRUE(peer.WaitForReceived(expected.size(), 5s));
  EXPECT_EQ(Hex(peer.Received()), Hex(expected));
}

TEST_F(SessionTest, ARefusedConnectOrAnAddressThatIsNoDottedIPv4FailsAtOnceAndIsLoggedAsATimeout) {
  EXPECT_FALSE(session.StartConnect(std::string(100, '1').c_str(), 1, &spy, &spy));  // starts no run
  EXPECT_FALSE(session.StartConnect(nullptr, 1, &spy, &spy));
  const auto start = Clock::now();
  ASSERT_TRUE(session.StartConnect("127.0.0.6", 10, &spy, &spy));  // nothing listens there
  ASSERT_TRUE(spy.WaitForStates(2));
  EXPECT_LT(Clock::now() - start, 5s) << "a refusal must not wait out the time-out";
  EXPECT_FALSE(session.IsConnected());
  EXPECT_TRUE(session.StopConnect());  // the thread has ended: nothing can follow
  EXPECT_EQ(OnlyLogFile(), (Lines{"<Initial>Initial!", "<Connect>Connectting!", "<Connect>Connect Timeout!",
                                  "<DisConnect>Connection is down!"}));
  const std::string longest = "127.000.000.00" + std::string(85, '0');  // 99 characters fit
  ASSERT_TRUE(session.StartConnect(longest.c_str(), 1, &spy, &spy));
  ASSERT_TRUE(spy.WaitForStates(4));
  ASSERT_TRUE(session.StartConnect("robot.local", 1, &spy, &spy));
  ASSERT_TRUE(spy.WaitForStates(6));
  EXPECT_EQ(spy.States(), "1/0 3/1 1/0 3/1 1/0 3/1");
}

TEST_F(SessionTest, SilenceTheRobotClosingAndALengthBeyondTheBoundEachEndTheLink) {
  const struct {
    const char* address;
    int timeoutSeconds;
    std::chrono::milliseconds atLeast, atMost;
    bool robotCloses;
    std::function<void(TestRobotPeer&)> act;
  } cases[] = {
      {"127.0.0.8", 1, 800ms, 6s, false, [](TestRobotPeer&) {}},
      {"127.0.0.9", 10, 0ms, 3s, true, [](TestRobotPeer& peer) { peer.CloseConnection(); }},
      {"127.0.0.10", 10, 0ms, 3s, false,
       [](TestRobotPeer& peer) { peer.Send(Bytes("34 12 01 00 01 00 01 00 00 00") + std::string(64, 'x')); }},
  };
  std::string states;
  for (const auto& c : cases) {
    TestRobotPeer peer(c.address);
    Connect(peer, c.timeoutSeconds);
    const std::size_t count = spy.StateCount();
    const auto connected = Clock::now();
    c.act(peer);
    ASSERT_TRUE(spy.WaitForStates(count + 1, c.atMost)) << c.address;
    EXPECT_GE(Clock::now() - connected, c.atLeast) << c.address;
    states += std::string(states.empty() ? "" : " ") + "1/0 2/0 3/3";
    EXPECT_EQ(spy.States(), states) << c.address;
    EXPECT_FALSE(session.IsConnected()) << c.address;
    EXPECT_TRUE(c.robotCloses || peer.WaitForClosedBySession(5s)) << c.address << ": the socket stays open";
  }
  // Commands after the end wait in the queue and never reach a socket; the stop posts nothing.
  EXPECT_TRUE(session.SocketSession_ReadServoCaliAngel(1));
  EXPECT_TRUE(session.StopConnect());
  EXPECT_EQ(spy.States(), states);
  EXPECT_TRUE(spy.Events().empty());
}

TEST_F(SessionTest, ARequestedStopIsSilentAndQuickWhetherTheConnectOrAReadWaits) {
  TestRobotPeer held("127.0.0.22", /*holdConnections=*/true);
  ASSERT_TRUE(session.StartConnect("127.0.0.22", 10, &spy, &spy));
  ASSERT_TRUE(spy.WaitForStates(1));
  std::this_thread::sleep_for(100ms);
  auto start = Clock::now();
  EXPECT_TRUE(session.StopConnect());
  EXPECT_LT(Clock::now() - start, 2s);
  held.ReleaseConnections();
  // A cancelled connect did not time out.
  EXPECT_EQ(OnlyLogFile(), (Lines{"<Initial>Initial!", "<Connect>Connectting!", "<DisConnect>Connection is down!"}));

  TestRobotPeer peer("127.0.0.11");
  Connect(peer, 10);
  std::this_thread::sleep_for(150ms);  // the receive thread now waits in its read
  start = Clock::now();
  EXPECT_TRUE(session.StopConnect());
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_TRUE(peer.WaitForClosedBySession(5s));
  EXPECT_FALSE(session.IsConnected());
  EXPECT_EQ(spy.States(), "1/0 1/0 2/0");  // StopConnect has joined the thread: nothing follows
  EXPECT_TRUE(session.StopConnect()) << "a second stop is harmless";
}

// A heartbeat that arrives at the robot proves that the pass which sent it has run, and so has
// every step before it; the checks that nothing happened rest on one.
TEST_F(SessionTest, HeartbeatsGoOutBeforeAReadOnceTwoSecondsPassedWithoutAQueuedFrameNeverDuringIt) {
  TestRobotPeer peer("127.0.0.16");
  clock.Jump(2500);  // due since the session was made: the first pass sends one, then reads
  Connect(peer, 1);
  ASSERT_TRUE(peer.WaitForReceived(kHeartbeat.size(), 5s));
  clock.Jump(2500);  // due again while the read waits its second out
  ASSERT_TRUE(spy.WaitForStates(3));
  EXPECT_EQ(spy.States(), "1/0 2/0 3/3") << "a robot that sends nothing does not keep the link up";
  EXPECT_EQ(Hex(peer.Received()), Hex(kHeartbeat)) << "a heartbeat went out while the read waited";
  session.StopConnect();

  Connect(peer, 10);
  ASSERT_TRUE(peer.WaitForReceived(kHeartbeat.size(), 5s));  // still due: sent before the first read
  // A queued frame restarts the two seconds: neither pass after the two replies sends one.
  session.SocketSession_ReadServoCaliAngel(3);
  clock.Jump(1000);
  peer.Send(CaliReply(1) + CaliReply(2));
  ASSERT_TRUE(spy.WaitForEvents(2));
  session.SocketSession_ReadServoCaliAngel(5);  // leaves after anything queued before it
  ASSERT_TRUE(peer.WaitForReceived(kHeartbeat.size() + 2 * ReadCaliFrame(3).size(), 5s));
  EXPECT_EQ(Hex(peer.Received()), Hex(kHeartbeat + ReadCaliFrame(3) + ReadCaliFrame(5)));
  // Two seconds on, a frame from the robot ends the read and the next pass sends the heartbeat.
  clock.Jump(2100);
  peer.Send(CaliReply(3));
  ASSERT_TRUE(peer.WaitForReceived(2 * kHeartbeat.size() + 2 * ReadCaliFrame(3).size(), 5s));
  EXPECT_EQ(Hex(peer.Received()), Hex(kHeartbeat + ReadCaliFrame(3) + ReadCaliFrame(5) + kHeartbeat));
  EXPECT_EQ(spy.States(), "1/0 2/0 3/3 1/0 2/0");
}

TEST_F(SessionTest, TwentyMinutesWithoutAGoodFrameEndTheRunWhileFramesKeepArriving) {
  TestRobotPeer peer("127.0.0.17");
  // Counted from the session's construction, then from the last good frame. Each jump also makes
  // a heartbeat due, whose arrival shows that the silence check after the frame before it ran.
  for (const bool goodFrameFirst : {false, true}) {
    clock.Jump(2500);
    Connect(peer, 10);
    std::size_t beats = 1;
    ASSERT_TRUE(peer.WaitForReceived(kHeartbeat.size(), 5s));
    if (goodFrameFirst) {
      clock.Jump(2500);
      peer.Send(CaliReply(1));
      ASSERT_TRUE(peer.WaitForReceived(++beats * kHeartbeat.size(), 5s));
    }
    clock.Jump(1100000);
    peer.Send(Bytes("AA BB"));  // skipped, not good
    ASSERT_TRUE(peer.WaitForReceived(++beats * kHeartbeat.size(), 5s));
    EXPECT_TRUE(session.IsConnected()) << goodFrameFirst;
    clock.Jump(150000);
    peer.Send(Bytes("AA BB"));
    ASSERT_TRUE(spy.WaitForStates(goodFrameFirst ? 6 : 3));
    EXPECT_EQ(spy.States(), goodFrameFirst ? "1/0 2/0 3/4 1/0 2/0 3/4" : "1/0 2/0 3/4");
    EXPECT_TRUE(peer.WaitForClosedBySession(5s));
    session.StopConnect();
  }
}

TEST_F(SessionTest, TheLogFollowsTheRunFromConnectToTheEndAndRepliesAreReadFromOneBytePieces) {
  // Each state is posted before its line is written: the log's last line at each post.
  std::map<std::string, std::string> lastLineAtPost;
  spy.SetOnPost([&](const std::string& state) {
    const auto files = logs.Files();
    if (files.size() == 1) lastLineAtPost[state] = LogBodies(logs.Folder() / files[0]).back();
  });
  TestRobotPeer peer("127.0.0.21");
  Connect(peer, 10);
  // The commands' lines follow "Connect Sucessed!" only when they are sent after it was written.
  for (int i = 0; i < 500 && OnlyLogFile().size() < 3; ++i) std::this_thread::sleep_for(10ms);
  session.SocketSession_ReadServoInfo(1);
  session.SocketSession_SetCaliAngel(2, -5);
  session.SocketSession_SetCurrentAngel(3, 120, 1000);
  session.SocketSession_ReadCurrentAngel(4);
  session.SocketSession_ReadServoCaliAngel(3);
  peer.Send(Bytes("34 12 0A 00 00 00 01 00 00 00 92 01 A3 92 0D A0") +  // no data: logged, raises nothing
                kHeartbeat +                                            // neither logged nor raised
                Bytes("34 12 0A 00 00 00 01 00 00 00 92 01 A3 92 0D A4") +  // body cut short
                Bytes("34 12 07 00 00 00 01 00 00 00 C1 C1 C1") +           // not MessagePack
                CaliReply(3),
            1);
  ASSERT_TRUE(spy.WaitForEvents(1));
  EXPECT_EQ(spy.Events(), Lines{"ReadServoCaliAngel(1,3,90)"});
  peer.CloseConnection();
  ASSERT_TRUE(spy.WaitForStates(3));
  session.StopConnect();  // as the program does on message 3

  const auto files = logs.Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].string().find("_ID(Vorla2_0001).log"), std::string::npos) << files[0];
  EXPECT_EQ(OnlyLogFile(), (Lines{"<Initial>Initial!",
                                  "<Connect>Connectting!",
                                  "<Connect>Connect Sucessed!",
                                  "<Send>(Type)0x0E * 0x01 ",
                                  "<Send>(Type)0x0C * 0x02-0xFF-0xFB",
                                  "<Send>(Type)0x05 * 0x03-0x00-0x78-0x03-0xE8 ",
                                  "<Send>(Type)0x06 * 0x04 ",
                                  "<Send>(Type)0x0D * 0x03 ",
                                  "<Recv>(Type)0x0D * ",
                                  "<Recv>Dropped a payload of 6 bytes that does not decode",
                                  "<Recv>Dropped a payload of 3 bytes that does not decode",
                                  "<Recv>(Type)0x0D * 0x00-0x03-0x00-0x5A-",
                                  "<Connect>Connect Failed, error code 3!",
                                  "<DisConnect>Connection is down!"}));
  EXPECT_EQ(lastLineAtPost, (std::map<std::string, std::string>{{"1/0", "<Initial>Initial!"},
                                                                {"2/0", "<Connect>Connectting!"},
                                                                {"3/3", "<Recv>(Type)0x0D * 0x00-0x03-0x00-0x5A-"}}));
}

}  // namespace
