// A plain C++ program (no Qt) that knows the link library only by its chief header and links only
// libZAVServoSocket.so; events and states arrive through its own window and message loop. Every
// command's bytes and every reply's event are checked on the session itself (SessionTest).

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
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

// A window of this program: posted messages queue up and are handled by its message loop on the
// thread that pumps (the UI host's pump, or RunUntil). Events are recorded as they are raised.
class ProgramWindow : public IZAVNotifyWindow, public IZAVUiHost, public IZAVSocketSessionEvent {
 public:
  void PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) override {
    std::lock_guard<std::mutex> hold(m_mutex);
    if (msg == WM_SESSION_STATE) m_queue.push_back(std::to_string(wParam) + "/" + std::to_string(lParam));
    m_changed.notify_all();
  }
  void PumpMessages() override {
    std::deque<std::string> pending;
    {
      std::lock_guard<std::mutex> hold(m_mutex);
      pending.swap(m_queue);
    }
    for (const std::string& state : pending) {
      states += (states.empty() ? "" : " ") + state;
      handledOn = std::this_thread::get_id();
    }
  }
  int MessageBox(const std::string&, const std::string&, unsigned int) override { return IDOK; }

  void OnReadServoCaliAngel(bool ok, int id, int value) override {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_events.push_back(std::string(ok ? "cali ok " : "cali failed ") + std::to_string(id) + " " + std::to_string(value));
    m_changed.notify_all();
  }
  void OnReadCurrentAngel(bool, int, int) override {}
  void OnSetCaliAngel(bool, int) override {}
  void OnReadSN(bool, const char*, int) override {}
  void OnWriteSN(bool, const char*, int) override {}

  // Runs the message loop until count state messages have been handled or 10 s have passed.
  bool RunUntil(std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (static_cast<std::size_t>(std::count(states.begin(), states.end(), '/')) < count) {
      {
        std::unique_lock<std::mutex> hold(m_mutex);
        if (!m_changed.wait_until(hold, deadline, [&] { return !m_queue.empty(); })) return false;
      }
      PumpMessages();
    }
    return true;
  }
  std::vector<std::string> WaitForEvents(std::size_t count) {
    std::unique_lock<std::mutex> hold(m_mutex);
    m_changed.wait_for(hold, 10s, [&] { return m_events.size() >= count; });
    return m_events;
  }

  std::string states;  // touched only by the loop's thread
  std::thread::id handledOn;

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<std::string> m_queue;
  std::vector<std::string> m_events;
};

TEST(PlainProgram, DrivesASessionThroughTheChiefHeaderAlone) {
  ProgramWindow window;
  ZAVSetUiHost(&window);
  TestRobotPeer robot("127.0.0.26");
  ASSERT_TRUE(robot.IsListening());
  CIZAVSocketSession* session = nullptr;
  ASSERT_TRUE(CreateZAVSocketSession(&session));

  ASSERT_TRUE(session->StartConnect("127.0.0.26", 5, &window, &window));
  ASSERT_TRUE(window.RunUntil(2));
  EXPECT_EQ(window.states, "1/0 2/0");
  EXPECT_EQ(window.handledOn, std::this_thread::get_id());
  EXPECT_TRUE(session->IsConnected());
  EXPECT_TRUE(session->SocketSession_ReadServoCaliAngel(3));
  ASSERT_TRUE(robot.WaitForReceived(17, 5s));
  EXPECT_EQ(Hex(robot.Received()), "34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0D A1 03");
  robot.Send(Bytes("34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00 03 FF FD"));
  EXPECT_EQ(window.WaitForEvents(1), std::vector<std::string>{"cali ok 3 -3"});

  // The robot goes away: link lost.
  robot.CloseConnection();
  ASSERT_TRUE(window.RunUntil(3));
  EXPECT_EQ(window.states, "1/0 2/0 3/3");
  session->Release();
  ZAVSetUiHost(nullptr);
}

}  // namespace
