// The command session against a test robot on loopback. Each case has its own address
// (127.0.0.2 - 127.0.0.39, port 6102), so cases run side by side.

#include "session/CZAVSocketSessionImpl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "SessionTestSupport.h"
#include "TestRobotPeer.h"
#include "session/SessionLog.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Events = std::vector<std::string>;

const std::string kHeartbeat = Bytes("34 12 04 00 00 00 01 00 00 00");
const std::string kReadCali3 = Bytes("34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0D A1 03");

// A read-calibration reply for servo id with value 90.
std::string CaliReply(int id) {
  return Bytes("34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00") + static_cast<char>(id) +
         Bytes("00 5A");
}

std::string ReadCaliFrame(int id) { return kReadCali3.substr(0, 16) + static_cast<char>(id); }

// Puts every log file of the test in a folder of its own, removed at the end.
class TempLogFolder : public ISessionLogEnvironment {
 public:
  TempLogFolder() {
    char pattern[] = "/tmp/caltrim-session-XXXXXX";
    m_folder = ::mkdtemp(pattern);
    SetSessionLogEnvironment(this);
  }
  ~TempLogFolder() override {
    SetSessionLogEnvironment(nullptr);
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }
  std::wstring BaseFolder() override { return (fs::path(m_folder) / "").wstring(); }
  SessionLogTime Now() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
  }
  // The lines of every log file written so far, file by file in name order.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(m_folder)) {
      if (entry.is_regular_file()) names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string m_folder;
};

// The messages of a log line after the date: "<Connect>Connectting!".
std::vector<std::string> LogLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    const std::size_t at = line.find(" - ");
    lines.push_back(at == std::string::npos ? line : line.substr(at + 3));
  }
  return lines;
}

class SessionTest : public ::testing::Test {
 protected:
  // Starts a run to peer and waits for "connected" and for the peer's new connection.
  void Connect(TestRobotPeer& peer, int timeoutSeconds = 5) {
    ASSERT_TRUE(peer.IsListening()) << peer.Address();
    const std::size_t messages = window.Messages().size();
    const int connections = peer.Connections();
    ASSERT_TRUE(session.StartConnect(peer.Address().c_str(), timeoutSeconds, &window, &sink));
    ASSERT_TRUE(window.WaitForCount(messages + 2)) << window.States();
    const std::string states = window.States();
    ASSERT_EQ(states.substr(states.size() - 7), "1/0 2/0") << states;
    ASSERT_TRUE(peer.WaitForConnections(connections + 1, 5s));
  }

  TempLogFolder m_logs;
  JumpingClock clock;
  ScopedClock installedClock{&clock};
  RecordingWindow window;
  RecordingSink sink;
  CZAVSocketSessionImpl session;  // last: it ends before what it talks to
};

// --- what goes out ---------------------------------------------------------------------------

TEST_F(SessionTest, EveryCommandLeavesByteForByteInTheOrderIssued) {
  TestRobotPeer peer("127.0.0.2");
  Connect(peer);
  EXPECT_TRUE(session.SocketSession_ReadServoCaliAngel(3));
  EXPECT_TRUE(session.SocketSession_SetCurrentAngel(5, 90, 2000));
  EXPECT_TRUE(session.SocketSession_SetCaliAngel(2, -3));
  EXPECT_TRUE(session.SocketSession_ReadSN());
  EXPECT_TRUE(session.SocketSession_WriteSN("abc"));
  EXPECT_TRUE(session.SocketSession_ReadServoInfo(20));
  EXPECT_TRUE(session.SocketSession_ReadCurrentAngel(0x81));
  const std::string expected =
      kReadCali3 + Bytes("34 12 0F 00 00 00 01 00 00 00 92 01 A8 92 05 A5 05 00 5A 07 D0") +
      Bytes("34 12 0D 00 00 00 01 00 00 00 92 01 A6 92 0C A3 02 FF FD") +
      Bytes("34 12 09 00 00 00 01 00 00 00 92 34 A2 91 A0") +
      Bytes("34 12 0C 00 00 00 01 00 00 00 92 33 A5 91 A3 61 62 63") +
      Bytes("34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0E A1 14") +
      Bytes("34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 06 A1 81");
  ASSERT_TRUE(peer.WaitForReceived(expected.size(), 5s));
  EXPECT_EQ(Hex(peer.Received()), Hex(expected));
}

TEST_F(SessionTest, SendDataRefusesNullAndEmptyFramesAndQueuesNothing) {
  TestRobotPeer peer("127.0.0.15");
  Connect(peer);
  EXPECT_FALSE(session.SendData(nullptr, 10));
  EXPECT_FALSE(session.SendData("x", 0));
  EXPECT_FALSE(session.SendData("x", -1));
  ASSERT_TRUE(session.SendData(kHeartbeat.data(), static_cast<int>(kHeartbeat.size())));
  ASSERT_TRUE(peer.WaitForReceived(kHeartbeat.size(), 5s));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(Hex(peer.Received()), Hex(kHeartbeat));
}

TEST_F(SessionTest, CommandsQueuedBeforeTheConnectionLeaveInOrderOnceItIsUp) {
  TestRobotPeer::Options options;
  options.holdConnections = true;
  TestRobotPeer peer("127.0.0.13", options);
  ASSERT_TRUE(peer.IsListening());
  ASSERT_TRUE(session.StartConnect("127.0.0.13", 10, &window, &sink));
  ASSERT_TRUE(window.WaitForCount(1));
  for (int id = 1; id <= 3; ++id) EXPECT_TRUE(session.SocketSession_ReadServoCaliAngel(id));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(window.States(), "1/0") << "the connect should still be waiting";
  EXPECT_FALSE(session.IsConnected());

  peer.ReleaseConnections();  // the next SYN of the session gets through
  ASSERT_TRUE(window.WaitForCount(2, 8s));
  EXPECT_EQ(window.States(), "1/0 2/0");
  const std::string expected = ReadCaliFrame(1) + ReadCaliFrame(2) + ReadCaliFrame(3);
  ASSERT_TRUE(peer.WaitForReceived(expected.size(), 5s));
  EXPECT_EQ(Hex(peer.Received()), Hex(expected));
}

TEST_F(SessionTest, CommandsIssuedWhileNoRunIsActiveAreDroppedByTheNextStart) {
  TestRobotPeer peer("127.0.0.14");
  EXPECT_TRUE(session.SocketSession_ReadServoCaliAngel(1));  // before any run
  Connect(peer);
  session.StopConnect();
  EXPECT_TRUE(session.SocketSession_ReadServoCaliAngel(2));  // between runs
  ASSERT_TRUE(session.StartConnect("127.0.0.14", 5, &window, &sink));
  ASSERT_TRUE(window.WaitForCount(4));
  ASSERT_TRUE(peer.WaitForConnections(2, 5s));
  EXPECT_TRUE(session.SocketSession_ReadServoCaliAngel(3));
  ASSERT_TRUE(peer.WaitForReceived(ReadCaliFrame(3).size(), 5s));
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(Hex(peer.Received(0)), "");
  EXPECT_EQ(Hex(peer.Received(1)), Hex(ReadCaliFrame(3)));
}

TEST_F(SessionTest, TenFramesQueuedTogetherLeaveBackToBack) {
  TestRobotPeer peer("127.0.0.19");
  Connect(peer);
  std::string expected;
  const auto start = Clock::now();
  for (int id = 1; id <= 10; ++id) {
    session.SocketSession_ReadServoCaliAngel(id);
    expected += ReadCaliFrame(id);
  }
  ASSERT_TRUE(peer.WaitForReceived(expected.size(), 5s));
  const auto elapsed = Clock::now() - start;
  EXPECT_EQ(Hex(peer.Received()), Hex(expected));
  // With a 100 ms pause between frames this would take most of a second.
  EXPECT_LT(elapsed, 600ms);
}

TEST_F(SessionTest, AFrameTheSocketTakesInPartsLeavesWholeAndNoByteTwice) {
  // The robot stops reading with a small window: the socket takes only part of a large frame,
  // the rest follows when the robot reads again, and the next frame after it.
  TestRobotPeer::Options options;
  options.receiveBuffer = 4096;
  TestRobotPeer peer("127.0.0.18", options);
  Connect(peer);
  peer.SetReading(false);
  std::string large(8 << 20, '\0');  // beyond any send buffer plus window of loopback
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>((i * 7) ^ (i >> 11));
  ASSERT_TRUE(session.SendData(large.data(), static_cast<int>(large.size())));
  ASSERT_TRUE(session.SendData(kHeartbeat.data(), static_cast<int>(kHeartbeat.size())));
  std::this_thread::sleep_for(400ms);
  peer.SetReading(true);
  ASSERT_TRUE(peer.WaitForReceived(large.size() + kHeartbeat.size(), 30s))
      << peer.Received().size() << " bytes arrived";
  std::this_thread::sleep_for(200ms);
  const std::string received = peer.Received();
  ASSERT_EQ(received.size(), large.size() + kHeartbeat.size());
  EXPECT_TRUE(received.compare(0, large.size(), large) == 0) << "the large frame arrived altered";
  EXPECT_EQ(Hex(received.substr(large.size())), Hex(kHeartbeat));
  EXPECT_EQ(window.States(), "1/0 2/0");
}

// --- what comes in ---------------------------------------------------------------------------

TEST_F(SessionTest, RepliesRaiseTheirEventsInArrivalOrder) {
  TestRobotPeer peer("127.0.0.3");
  Connect(peer);
  peer.Send(CaliReply(3) +
            Bytes("34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 06 A4 00 81 00 5A") +  // current angle
            kHeartbeat +                                                            // no event
            Bytes("34 12 0C 00 00 00 01 00 00 00 92 01 A5 92 0C A2 01 04") +        // set cali failed
            Bytes("34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 05 A4 00 03 00 5A") +  // type 5: none
            Bytes("34 12 0D 00 00 00 01 00 00 00 92 34 A6 91 A4 53 4E 2D 31") +     // read SN "SN-1"
            Bytes("34 12 0A 00 00 00 01 00 00 00 92 33 A3 91 A1 30") +              // write SN "0"
            Bytes("34 12 09 00 00 00 01 00 00 00 92 34 A2 91 A0"));                 // read SN ""
  ASSERT_TRUE(sink.WaitForCount(6));
  EXPECT_EQ(sink.Events(), (Events{"ReadServoCaliAngel(1,3,90)", "ReadCurrentAngel(1,-127,90)",
                                   "SetCaliAngel(0,4)", "ReadSN(1,\"SN-1\",4)", "WriteSN(1,\"0\",1)",
                                   "ReadSN(0,\"\",0)"}));
  EXPECT_EQ(window.States(), "1/0 2/0");
}

TEST_F(SessionTest, AFrameInOneBytePiecesArrivesWhole) {
  TestRobotPeer peer("127.0.0.4");
  Connect(peer);
  peer.Send(CaliReply(9) + Bytes("34 12 0D 00 00 00 01 00 00 00 92 34 A6 91 A4 53 4E 2D 32"), 1);
  ASSERT_TRUE(sink.WaitForCount(2));
  EXPECT_EQ(sink.Events(), (Events{"ReadServoCaliAngel(1,9,90)", "ReadSN(1,\"SN-2\",4)"}));
  EXPECT_EQ(window.States(), "1/0 2/0");
  EXPECT_TRUE(session.IsConnected());
}

TEST_F(SessionTest, OneStrayByteCostsOneFrameAndTheReaderStepsBackOnePassAtATime) {
  TestRobotPeer peer("127.0.0.5");
  Connect(peer);
  const auto sent = Clock::now();
  // The stray byte puts the first reply off step; the second stray byte puts the next back on.
  peer.Send(Bytes("AA") + CaliReply(1) + Bytes("BB") + CaliReply(2));
  ASSERT_TRUE(sink.WaitForCount(1, 10s));
  const auto elapsed = Clock::now() - sent;
  EXPECT_EQ(sink.Events(), Events{"ReadServoCaliAngel(1,2,90)"});
  // Eleven skipped two-byte steps, each one pass with its 100 ms pause.
  EXPECT_GE(elapsed, 1000ms);
  EXPECT_EQ(window.States(), "1/0 2/0");
}

TEST_F(SessionTest, APayloadThatDoesNotDecodeIsDroppedAndTheLinkReadsOn) {
  TestRobotPeer peer("127.0.0.20");
  Connect(peer);
  peer.Send(Bytes("34 12 0A 00 00 00 01 00 00 00 92 01 A3 92 0D A4") +  // body cut short
            Bytes("34 12 07 00 00 00 01 00 00 00 C1 C1 C1") +           // not MessagePack
            CaliReply(4));
  ASSERT_TRUE(sink.WaitForCount(1));
  EXPECT_EQ(sink.Events(), Events{"ReadServoCaliAngel(1,4,90)"});
  EXPECT_EQ(window.States(), "1/0 2/0");
  EXPECT_TRUE(session.IsConnected());
  session.StopConnect();
  const std::vector<std::string> files = m_logs.Files();
  ASSERT_EQ(files.size(), 1u);
  const std::vector<std::string> lines = LogLines(files[0]);
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "<Recv>Dropped a payload of 6 bytes that does not decode"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       "<Recv>Dropped a payload of 3 bytes that does not decode"), 1);
}

// --- how a run ends --------------------------------------------------------------------------

TEST_F(SessionTest, ARefusedConnectIsAFailedConnectReportedAtOnce) {
  // Nothing listens on 127.0.0.6.
  const auto start = Clock::now();
  ASSERT_TRUE(session.StartConnect("127.0.0.6", 10, &window, &sink));
  ASSERT_TRUE(window.WaitForCount(2));
  EXPECT_EQ(window.States(), "1/0 3/1");
  EXPECT_LT(Clock::now() - start, 5s) << "a refusal must not wait out the time-out";
  EXPECT_FALSE(session.IsConnected());
  EXPECT_TRUE(session.StopConnect());
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(window.States(), "1/0 3/1");
}

TEST_F(SessionTest, AConnectThatDoesNotCompleteTimesOut) {
  TestRobotPeer::Options options;
  options.holdConnections = true;  // the session's SYNs are dropped
  TestRobotPeer peer("127.0.0.7", options);
  ASSERT_TRUE(peer.IsListening());
  ASSERT_TRUE(session.StartConnect("127.0.0.7", 1, &window, &sink));
  ASSERT_TRUE(window.WaitForCount(1));
  const auto start = Clock::now();
  ASSERT_TRUE(window.WaitForCount(2, 6s));
  EXPECT_EQ(window.States(), "1/0 3/1");
  EXPECT_GE(Clock::now() - start, 800ms);
  EXPECT_FALSE(session.IsConnected());
}

TEST_F(SessionTest, AddressesThatAreNoDottedIPv4FailWithoutSendingAnything) {
  EXPECT_FALSE(session.StartConnect(std::string(100, '1').c_str(), 1, &window, &sink));
  EXPECT_FALSE(session.StartConnect(nullptr, 1, &window, &sink));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(window.States(), "") << "a refused address starts no run";

  const std::string longest = "127.000.000.00" + std::string(85, '0');  // 99 characters fit
  ASSERT_EQ(longest.size(), 99u);
  ASSERT_TRUE(session.StartConnect(longest.c_str(), 1, &window, &sink));
  ASSERT_TRUE(window.WaitForCount(2));
  EXPECT_EQ(window.States(), "1/0 3/1");

  ASSERT_TRUE(session.StartConnect("robot.local", 1, &window, &sink));
  ASSERT_TRUE(window.WaitForCount(4));
  EXPECT_EQ(window.States(), "1/0 3/1 1/0 3/1");
}

TEST_F(SessionTest, ASilentRobotEndsTheLinkAfterTheTimeOut) {
  TestRobotPeer peer("127.0.0.8");
  Connect(peer, 1);
  const auto connected = Clock::now();
  ASSERT_TRUE(window.WaitForCount(3, 6s));
  EXPECT_EQ(window.States(), "1/0 2/0 3/3");
  EXPECT_GE(Clock::now() - connected, 800ms);
  EXPECT_FALSE(session.IsConnected());
  EXPECT_TRUE(peer.WaitForClosedBySession(5s)) << "the socket stays open after the end";
}

TEST_F(SessionTest, ARobotThatClosesEndsTheLinkAndIsConnectedFollows) {
  TestRobotPeer peer("127.0.0.9");
  EXPECT_FALSE(session.IsConnected());
  Connect(peer, 10);
  EXPECT_TRUE(session.IsConnected());
  peer.CloseConnection();
  ASSERT_TRUE(window.WaitForCount(3, 3s)) << "the end of the stream must end the link at once";
  EXPECT_EQ(window.States(), "1/0 2/0 3/3");
  EXPECT_FALSE(session.IsConnected());
  // Commands after the end wait in the queue and never reach a socket; nothing breaks.
  EXPECT_TRUE(session.SocketSession_ReadServoCaliAngel(1));
  EXPECT_TRUE(session.StopConnect());
  EXPECT_EQ(window.States(), "1/0 2/0 3/3");
}

TEST_F(SessionTest, ALengthBeyondTheBoundEndsTheLink) {
  TestRobotPeer peer("127.0.0.10");
  Connect(peer, 10);
  peer.Send(Bytes("34 12 01 00 01 00 01 00 00 00") + std::string(64, 'x'));
  ASSERT_TRUE(window.WaitForCount(3, 3s));
  EXPECT_EQ(window.States(), "1/0 2/0 3/3");
  EXPECT_TRUE(peer.WaitForClosedBySession(5s));
  EXPECT_TRUE(sink.Events().empty());
}

TEST_F(SessionTest, ARequestedStopPostsNothingClosesTheSocketAndDoesNotWaitOutTheTimeOut) {
  TestRobotPeer peer("127.0.0.11");
  Connect(peer, 10);
  std::this_thread::sleep_for(150ms);  // the receive thread now waits in its read
  const auto start = Clock::now();
  EXPECT_TRUE(session.StopConnect());
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_TRUE(peer.WaitForClosedBySession(5s));
  EXPECT_FALSE(session.IsConnected());
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(window.States(), "1/0 2/0");
  EXPECT_TRUE(session.StopConnect()) << "a second stop is harmless";
}

TEST_F(SessionTest, AStopWhileTheConnectWaitsPostsNothingMore) {
  TestRobotPeer::Options options;
  options.holdConnections = true;
  TestRobotPeer peer("127.0.0.22", options);
  ASSERT_TRUE(session.StartConnect("127.0.0.22", 10, &window, &sink));
  ASSERT_TRUE(window.WaitForCount(1));
  std::this_thread::sleep_for(100ms);
  const auto start = Clock::now();
  EXPECT_TRUE(session.StopConnect());
  EXPECT_LT(Clock::now() - start, 2s);
  peer.ReleaseConnections();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(window.States(), "1/0");
}

TEST_F(SessionTest, ASecondStartEndsTheFirstRunSilently) {
  TestRobotPeer peer("127.0.0.12");
  Connect(peer);
  ASSERT_TRUE(session.StartConnect("127.0.0.12", 5, &window, &sink));
  ASSERT_TRUE(window.WaitForCount(4));
  EXPECT_EQ(window.States(), "1/0 2/0 1/0 2/0");
  EXPECT_TRUE(peer.WaitForConnections(2, 5s));
  EXPECT_TRUE(peer.WaitForClosedBySession(5s, 0));
  peer.Send(CaliReply(6));
  ASSERT_TRUE(sink.WaitForCount(1));
  EXPECT_EQ(sink.Events(), Events{"ReadServoCaliAngel(1,6,90)"});
  EXPECT_EQ(window.States(), "1/0 2/0 1/0 2/0");
}

// --- time ------------------------------------------------------------------------------------

TEST_F(SessionTest, HeartbeatsGoOutAfterTwoSecondsWithoutAQueuedFrameButNeverDuringARead) {
  TestRobotPeer peer("127.0.0.16");
  Connect(peer, 10);
  std::this_thread::sleep_for(300ms);  // waiting in the read
  clock.Jump(2500);
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(Hex(peer.Received()), "") << "a heartbeat went out while the read waited";

  // A frame from the robot ends the read; the next pass sends the heartbeat that is due.
  peer.Send(CaliReply(1));
  ASSERT_TRUE(peer.WaitForReceived(kHeartbeat.size(), 5s));
  EXPECT_EQ(Hex(peer.Received()), Hex(kHeartbeat));

  // A queued frame restarts the two seconds.
  session.SocketSession_ReadServoCaliAngel(3);
  ASSERT_TRUE(peer.WaitForReceived(kHeartbeat.size() + kReadCali3.size(), 5s));
  clock.Jump(1500);
  peer.Send(CaliReply(2));
  ASSERT_TRUE(sink.WaitForCount(2));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(Hex(peer.Received()), Hex(kHeartbeat + kReadCali3)) << "heartbeat before two seconds";

  clock.Jump(600);
  peer.Send(CaliReply(3));
  ASSERT_TRUE(peer.WaitForReceived(2 * kHeartbeat.size() + kReadCali3.size(), 5s));
  EXPECT_EQ(Hex(peer.Received()), Hex(kHeartbeat + kReadCali3 + kHeartbeat));
  EXPECT_EQ(window.States(), "1/0 2/0");
}

TEST_F(SessionTest, TwentyMinutesWithoutAGoodFrameEndTheRunWhileFramesKeepArriving) {
  TestRobotPeer peer("127.0.0.17");
  // Counted from the session's construction: no good frame has arrived yet.
  Connect(peer, 10);
  clock.Jump(1100000);
  peer.Send(Bytes("AA BB"));  // skipped, not good
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(window.States(), "1/0 2/0");
  clock.Jump(150000);
  peer.Send(Bytes("AA BB"));
  ASSERT_TRUE(window.WaitForCount(3));
  EXPECT_EQ(window.States(), "1/0 2/0 3/4");
  EXPECT_FALSE(session.IsConnected());
  EXPECT_TRUE(peer.WaitForClosedBySession(5s));
  session.StopConnect();

  // A good frame restarts the twenty minutes.
  Connect(peer, 10);  // no further message is expected before these
  peer.Send(CaliReply(1));
  ASSERT_TRUE(sink.WaitForCount(1));
  std::this_thread::sleep_for(200ms);  // the frame counts as good once its event has returned
  clock.Jump(1100000);
  peer.Send(Bytes("AA BB"));
  std::this_thread::sleep_for(400ms);
  EXPECT_EQ(window.States(), "1/0 2/0 3/4 1/0 2/0");
  clock.Jump(150000);
  peer.Send(Bytes("AA BB"));
  ASSERT_TRUE(window.WaitForCount(6)) << window.States() << " events " << sink.Events().size();
  EXPECT_EQ(window.States(), "1/0 2/0 3/4 1/0 2/0 3/4");
}

// --- the log of a run ------------------------------------------------------------------------

TEST_F(SessionTest, TheLogFollowsTheRunFromConnectToTheEnd) {
  TestRobotPeer peer("127.0.0.21");
  Connect(peer, 10);
  session.SocketSession_ReadServoCaliAngel(3);
  peer.Send(CaliReply(3));
  ASSERT_TRUE(sink.WaitForCount(1));
  peer.CloseConnection();
  ASSERT_TRUE(window.WaitForCount(3));
  session.StopConnect();  // as the program does on message 3

  const std::vector<std::string> files = m_logs.Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].find("_ID(Vorla2_0001).log"), std::string::npos) << files[0];
  EXPECT_EQ(LogLines(files[0]), (std::vector<std::string>{
                                    "<Initial>Initial!",
                                    "<Connect>Connectting!",
                                    "<Connect>Connect Sucessed!",
                                    "<Send>(Type)0x0D * 0x03 ",
                                    "<Recv>(Type)0x0D * 0x00-0x03-0x00-0x5A-",
                                    "<Connect>Connect Failed, error code 3!",
                                    "<DisConnect>Connection is down!",
                                }));
}

TEST_F(SessionTest, AFailedConnectIsLoggedBeforeItsMessage) {
  ASSERT_TRUE(session.StartConnect("127.0.0.23", 1, &window, &sink));  // nothing listens
  ASSERT_TRUE(window.WaitForCount(2));
  session.StopConnect();
  const std::vector<std::string> files = m_logs.Files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(LogLines(files[0]),
            (std::vector<std::string>{"<Initial>Initial!", "<Connect>Connectting!",
                                      "<Connect>Connect Timeout!", "<DisConnect>Connection is down!"}));
}

// --- lifetime --------------------------------------------------------------------------------

TEST(SessionLifetime, StopConnectOnANeverStartedSessionDoesNothing) {
  TempLogFolder logs;
  RecordingWindow window;
  CIZAVSocketSession* session = nullptr;
  ASSERT_TRUE(CreateZAVSocketSession(&session));
  EXPECT_TRUE(session->StopConnect());
  EXPECT_TRUE(session->StopConnect());
  EXPECT_FALSE(session->IsConnected());
  session->Release();
  EXPECT_FALSE(CreateZAVSocketSession(nullptr));
}

TEST(SessionLifetime, ReleaseRightAfterARunEndedByItselfLeavesNothingBehind) {
  // Release without the StopConnect the program usually makes first: the receive thread that
  // ended by itself is still joined, so the object never goes while its thread runs.
  TempLogFolder logs;
  for (int round = 0; round < 5; ++round) {
    RecordingWindow window;
    CIZAVSocketSession* session = nullptr;
    ASSERT_TRUE(CreateZAVSocketSession(&session));
    ASSERT_TRUE(session->StartConnect("127.0.0.24", 1, &window, nullptr));  // refused
    ASSERT_TRUE(window.WaitForCount(2));
    session->Release();
  }
}

TEST(SessionLifetime, ReleaseDuringAConnectedRunStopsItSilently) {
  TempLogFolder logs;
  TestRobotPeer peer("127.0.0.25");
  RecordingWindow window;
  RecordingSink sink;
  CIZAVSocketSession* session = nullptr;
  ASSERT_TRUE(CreateZAVSocketSession(&session));
  ASSERT_TRUE(session->StartConnect("127.0.0.25", 10, &window, &sink));
  ASSERT_TRUE(window.WaitForCount(2));
  session->SocketSession_ReadServoCaliAngel(1);
  session->Release();
  EXPECT_TRUE(peer.WaitForClosedBySession(5s));
  EXPECT_EQ(window.States(), "1/0 2/0");
}

}  // namespace
