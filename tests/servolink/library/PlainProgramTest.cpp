// A plain C++ program (no Qt) that knows the link library only by its chief header and links only
// libZAVServoSocket.so: it drives a session against a test robot and sees every event and every
// state message arrive through its own notify window and message loop.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TestBytes.h"
#include "TestRobotPeer.h"
#include "ZAVServoSocket.h"

using namespace std::chrono_literals;

namespace {

// A window of this program: posted messages queue up and are handled by its message loop, which
// runs on the thread that pumps (the UI host's pump, or Run below).
class ProgramWindow : public IZAVNotifyWindow, public IZAVUiHost {
 public:
  void PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) override {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_queue.push_back({msg, wParam, lParam});
    m_posted.notify_all();
  }
  void PumpMessages() override {
    std::deque<Message> pending;
    {
      std::lock_guard<std::mutex> hold(m_mutex);
      pending.swap(m_queue);
    }
    for (const Message& m : pending) Handle(m);
  }
  int MessageBox(const std::string&, const std::string&, unsigned int) override { return IDOK; }

  // Runs the message loop until count state messages have been handled or the limit passes.
  bool RunUntil(std::size_t count, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_states.size() < count) {
      {
        std::unique_lock<std::mutex> hold(m_mutex);
        if (!m_posted.wait_until(hold, deadline, [&] { return !m_queue.empty(); })) return false;
      }
      PumpMessages();
    }
    return true;
  }

  std::string States() const {
    std::string out;
    for (const std::string& s : m_states) out += (out.empty() ? "" : " ") + s;
    return out;
  }
  std::thread::id handledOn;

 private:
  struct Message {
    unsigned int msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  void Handle(const Message& m) {
    handledOn = std::this_thread::get_id();
    if (m.msg == WM_SESSION_STATE) m_states.push_back(std::to_string(m.wParam) + "/" + std::to_string(m.lParam));
  }

  std::mutex m_mutex;
  std::condition_variable m_posted;
  std::deque<Message> m_queue;
  std::vector<std::string> m_states;  // touched only by the loop's thread
};

class ProgramEvents : public IZAVSocketSessionEvent {
 public:
  void OnReadServoCaliAngel(bool ok, int id, int value) override { Add("cali", ok, id, value); }
  void OnReadCurrentAngel(bool ok, int id, int angle) override { Add("angle", ok, id, angle); }
  void OnSetCaliAngel(bool ok, int id) override { Add("setcali", ok, id, 0); }
  void OnReadSN(bool ok, const char* text, int len) override { AddText("readsn", ok, text, len); }
  void OnWriteSN(bool ok, const char* text, int len) override { AddText("writesn", ok, text, len); }

  bool WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_changed.wait_for(hold, 10s, [&] { return m_events.size() >= count; });
  }
  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> hold(m_mutex);
    return m_events;
  }

 private:
  void Add(const char* name, bool ok, int id, int value) {
    Push(std::string(name) + (ok ? " ok " : " failed ") + std::to_string(id) + " " + std::to_string(value));
  }
  void AddText(const char* name, bool ok, const char* text, int len) {
    Push(std::string(name) + (ok ? " ok " : " failed ") + std::string(text, static_cast<std::size_t>(len)) +
         (text[len] == '\0' ? "" : " unterminated"));
  }
  void Push(std::string event) {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_events.push_back(std::move(event));
    m_changed.notify_all();
  }
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::string> m_events;
};

// Real time plus a jump the test decides, installed through the clock seam.
class JumpClock : public IZAVClock {
 public:
  std::uint32_t TickCount() override {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count()) +
           offset.load();
  }
  void Sleep(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  std::atomic<std::uint32_t> offset{0};
};

// A frame around the payload [cmd, raw(body)], built by hand.
std::string ReplyFrame(char cmd, const std::string& body) {
  const std::string payload = std::string("\x92", 1) + cmd + static_cast<char>(0xA0 + body.size()) + body;
  const auto length = static_cast<std::uint32_t>(payload.size() + 4);
  return std::string("\x34\x12", 2) + static_cast<char>(length & 0xFF) + static_cast<char>(length >> 8) +
         std::string("\0\0\x01\0\0\0", 6) + payload;
}

std::string ServoReply(char type, const std::string& data) {
  return ReplyFrame(1, std::string("\x92", 1) + type + static_cast<char>(0xA0 + data.size()) + data);
}

std::string TextReply(char cmd, const std::string& text) {
  return ReplyFrame(cmd, std::string("\x91", 1) + static_cast<char>(0xA0 + text.size()) + text);
}

// The robot's side: answers each command the way a robot does.
std::string Answer(const std::string& frame) {
  if (frame.size() < 14) return {};  // a heartbeat
  const char cmd = frame[11];
  if (cmd == 52) return TextReply(52, "SN-0042");
  if (cmd == 51) return TextReply(51, "0");
  const char type = frame[14];
  const std::string data = frame.substr(16);
  const char id = data[0];
  switch (type) {
    case 0x0D:
      return ServoReply(type, std::string("\0", 1) + id + Bytes("FF FD"));
    case 0x06:
      return ServoReply(type, std::string("\0", 1) + id + Bytes("00 78"));
    case 0x0C:
      return ServoReply(type, std::string("\x01", 1) + id);
    default:
      return ServoReply(type, std::string("\0", 1) + id);  // answered, but raises nothing
  }
}

TEST(PlainProgram, DrivesASessionThroughTheChiefHeaderAlone) {
  ProgramWindow window;
  JumpClock clock;
  ZAVSetUiHost(&window);
  ZAVSetClock(&clock);
  ProgramEvents events;
  TestRobotPeer robot("127.0.0.26");
  ASSERT_TRUE(robot.IsListening());
  robot.SetResponder(Answer);

  CIZAVSocketSession* session = nullptr;
  ASSERT_TRUE(CreateZAVSocketSession(&session));

  // Nobody at this address: connect failed.
  ASSERT_TRUE(session->StartConnect("127.0.0.27", 2, &window, &events));
  ASSERT_TRUE(window.RunUntil(2, 10s));
  EXPECT_EQ(window.States(), "1/0 3/1");
  EXPECT_EQ(window.handledOn, std::this_thread::get_id());
  session->StopConnect();

  // The robot: every command, every event.
  ASSERT_TRUE(session->StartConnect("127.0.0.26", 5, &window, &events));
  ASSERT_TRUE(window.RunUntil(4, 10s));
  EXPECT_EQ(window.States(), "1/0 3/1 1/0 2/0");
  EXPECT_TRUE(session->IsConnected());
  EXPECT_TRUE(session->SocketSession_ReadServoCaliAngel(3));
  EXPECT_TRUE(session->SocketSession_ReadCurrentAngel(0x85));
  EXPECT_TRUE(session->SocketSession_SetCaliAngel(4, -3));
  EXPECT_TRUE(session->SocketSession_SetCurrentAngel(5, 90, 2000));
  EXPECT_TRUE(session->SocketSession_ReadServoInfo(6));
  EXPECT_TRUE(session->SocketSession_ReadSN());
  EXPECT_TRUE(session->SocketSession_WriteSN("SN-0043"));
  ASSERT_TRUE(events.WaitFor(5));
  EXPECT_EQ(events.Events(), (std::vector<std::string>{"cali ok 3 -3", "angle ok -123 120", "setcali failed 4 0",
                                                       "readsn ok SN-0042", "writesn ok 0"}));

  // Twenty minutes pass with only skipped frames: silence. (A frame counts once its event has
  // returned, so the clock moves a moment later.)
  std::this_thread::sleep_for(300ms);
  clock.offset += 1250000;
  robot.Send(Bytes("00 00"));
  ASSERT_TRUE(window.RunUntil(5, 10s));
  EXPECT_EQ(window.States(), "1/0 3/1 1/0 2/0 3/4");
  EXPECT_FALSE(session->IsConnected());
  session->StopConnect();

  // The robot goes away: link lost.
  ASSERT_TRUE(session->StartConnect("127.0.0.26", 5, &window, &events));
  ASSERT_TRUE(window.RunUntil(7, 10s));
  ASSERT_TRUE(robot.WaitForConnections(2, 5s));
  robot.CloseConnection();
  ASSERT_TRUE(window.RunUntil(8, 10s));
  EXPECT_EQ(window.States(), "1/0 3/1 1/0 2/0 3/4 1/0 2/0 3/3");
  session->Release();

  ZAVSetClock(nullptr);
  ZAVSetUiHost(nullptr);
}

}  // namespace
