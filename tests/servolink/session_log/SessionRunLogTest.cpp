// A whole session run against a stand-in robot: the log it leaves behind, read back from disk.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TestRobotPeer.h"
#include "ZAVServoSocket.h"
#include "session/SessionLog.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr char kRobotAddress[] = "127.0.0.40";

// Every run starts "at" 5 March 2021 09:07:04, in a folder of the test's own.
class FixedStart : public ISessionLogEnvironment {
 public:
  FixedStart() {
    char pattern[] = "/tmp/session_run_log_XXXXXX";
    m_folder = ::mkdtemp(pattern);
    SetSessionLogEnvironment(this);
  }
  ~FixedStart() override {
    SetSessionLogEnvironment(nullptr);
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }
  std::wstring BaseFolder() override { return m_folder.wstring() + L"/"; }
  SessionLogTime Now() override { return {2021, 3, 5, 9, 7, 4}; }
  const fs::path& Folder() const { return m_folder; }

 private:
  fs::path m_folder;
};

class StateWindow : public IZAVNotifyWindow {
 public:
  void PostMessage(unsigned int msg, WPARAM wParam, LPARAM) override {
    std::lock_guard<std::mutex> hold(m_mutex);
    if (msg == WM_SESSION_STATE) m_states.push_back(static_cast<int>(wParam));
    m_changed.notify_all();
  }
  bool WaitForState(int state) {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_changed.wait_for(hold, 5s, [&] {
      return std::find(m_states.begin(), m_states.end(), state) != m_states.end();
    });
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<int> m_states;
};

class CaliSink : public IZAVSocketSessionEvent {
 public:
  void OnReadServoCaliAngel(bool ok, int id, int value) override {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_reads.push_back({ok, id, value});
    m_changed.notify_all();
  }
  void OnReadCurrentAngel(bool, int, int) override {}
  void OnSetCaliAngel(bool, int) override {}
  void OnReadSN(bool, const char*, int) override {}
  void OnWriteSN(bool, const char*, int) override {}

  bool WaitForRead() {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_changed.wait_for(hold, 5s, [&] { return !m_reads.empty(); });
  }
  struct Read {
    bool ok;
    int id;
    int value;
  };
  std::vector<Read> Reads() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_reads;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<Read> m_reads;
};

// A servo reply frame built by hand: header (magic 0x1234, payload length + 4, version 1),
// then [1, raw([type, raw(data)])] in MessagePack with the old raw headers.
std::string ServoReplyFrame(std::uint8_t type, const std::string& data) {
  std::string inner = "\x92";
  inner += static_cast<char>(type);
  inner += static_cast<char>(0xA0 + data.size());
  inner += data;
  std::string payload = "\x92\x01";
  payload += static_cast<char>(0xA0 + inner.size());
  payload += inner;
  const auto length = static_cast<std::uint32_t>(payload.size() + 4);
  std::string frame = "\x34\x12";
  for (int shift = 0; shift < 32; shift += 8) frame += static_cast<char>((length >> shift) & 0xFF);
  frame += std::string("\x01\x00\x00\x00", 4);
  return frame + payload;
}

std::vector<std::string> Lines(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The line after its time stamp ("MM/DD/YYYY HH:MM:SS - "), or "?" when the stamp is malformed.
std::string Body(const std::string& line) {
  static constexpr char kShape[] = "00/00/0000 00:00:00 - ";
  constexpr std::size_t kLength = sizeof kShape - 1;
  if (line.size() < kLength) return "?" + line;
  for (std::size_t i = 0; i < kLength; ++i) {
    const bool fits = kShape[i] == '0' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0
                                       : line[i] == kShape[i];
    if (!fits) return "?" + line;
  }
  return line.substr(kLength);
}

bool WaitForLine(const std::string& path, const std::string& body) {
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < deadline) {
    for (const std::string& line : Lines(path)) {
      if (Body(line) == body) return true;
    }
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

TEST(SessionRunLogTest, ARunLeavesItsLogUnderTheFinalNameWithEveryLineExact) {
  FixedStart start;
  TestRobotPeer robot(kRobotAddress);
  ASSERT_TRUE(robot.IsListening());
  StateWindow window;
  CaliSink sink;
  CIZAVSocketSession* session = nullptr;
  ASSERT_TRUE(CreateZAVSocketSession(&session));

  ASSERT_TRUE(session->StartConnect(kRobotAddress, 5, &window, &sink));
  ASSERT_TRUE(window.WaitForState(2));
  ASSERT_TRUE(robot.WaitForConnections(1, 5s));
  const fs::path day = start.Folder() / "Log" / "Log2021-3-5";
  const fs::path firstName = day / "2021-3-5(9_7_4).log";
  ASSERT_TRUE(WaitForLine(firstName, "<Connect>Connect Sucessed!"));

  session->SocketSession_ReadServoInfo(1);
  session->SocketSession_SetCaliAngel(2, -5);
  session->SocketSession_SetCurrentAngel(3, 120, 1000);
  session->SocketSession_ReadCurrentAngel(4);
  session->SocketSession_ReadServoCaliAngel(3);
  ASSERT_TRUE(WaitForLine(firstName, "<Send>(Type)0x0D * 0x03 "));
  // A reply without data is logged although it raises nothing; the next one raises its event.
  ASSERT_TRUE(robot.Send(ServoReplyFrame(0x0D, "")));
  ASSERT_TRUE(robot.Send(ServoReplyFrame(0x0D, std::string("\x00\x03\x00\x5A", 4))));
  ASSERT_TRUE(sink.WaitForRead());
  session->StopConnect();
  session->Release();

  ASSERT_EQ(sink.Reads().size(), 1u);
  EXPECT_EQ(sink.Reads()[0].value, 0x5A);
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(start.Folder())) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  ASSERT_THAT(files, ::testing::ElementsAre(day / "2021-3-5(9_7_4)_ID(Vorla2_0001).log"));
  std::vector<std::string> bodies;
  for (const std::string& line : Lines(files[0])) bodies.push_back(Body(line));
  EXPECT_THAT(bodies, ::testing::ElementsAre("<Initial>Initial!",
                                             "<Connect>Connectting!",
                                             "<Connect>Connect Sucessed!",
                                             "<Send>(Type)0x0E * 0x01 ",
                                             "<Send>(Type)0x0C * 0x02-0xFF-0xFB",
                                             "<Send>(Type)0x05 * 0x03-0x00-0x78-0x03-0xE8 ",
                                             "<Send>(Type)0x06 * 0x04 ",
                                             "<Send>(Type)0x0D * 0x03 ",
                                             "<Recv>(Type)0x0D * ",
                                             "<Recv>(Type)0x0D * 0x00-0x03-0x00-0x5A-",
                                             "<DisConnect>Connection is down!"));
}

}  // namespace
