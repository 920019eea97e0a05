// A plain C++ program (no Qt) that knows the link library only by its chief header and links only
// libZAVServoSocket.so; events and states arrive through its own window and message loop.

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

  void OnReadServoCaliAngel(bool ok, int id, int value) override { Add("cali", ok, std::to_string(id), value); }
  void OnReadCurrentAngel(bool ok, int id, int angle) override { Add("angle", ok, std::to_string(id), angle); }
  void OnSetCaliAngel(bool ok, int id) override { Add("setcali", ok, std::to_string(id), 0); }
  void OnReadSN(bool ok, const char* text, int len) override { AddText("readsn", ok, text, len); }
  void OnWriteSN(bool ok, const char* text, int len) override { AddText("writesn", ok, text, len); }

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
  void Add(const char* name, bool ok, const std::string& id, int value) {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_events.push_back(std::string(name) + (ok ? " ok " : " failed ") + id + " " + std::to_string(value));
    m_changed.notify_all();
  }
  void AddText(const char* name, bool ok, const char* text, int len) {
    Add(name, ok, std::string(text, static_cast<std::size_t>(len)) + (text[len] == '\0' ? "" : " unterminated"), len);
  }

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<std::string> m_queue;
  std::vector<std::string> m_events;
};

// The robot's answers to the seven commands below, built by hand; types 5 and 0x0E raise nothing.
const std::string kReplies = Bytes(
    "34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00 03 FF FD  34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 06 A4 00 85 00 78"
    "34 12 0C 00 00 00 01 00 00 00 92 01 A5 92 0C A2 01 04        34 12 0C 00 00 00 01 00 00 00 92 01 A5 92 05 A2 00 05"
    "34 12 0C 00 00 00 01 00 00 00 92 01 A5 92 0E A2 00 06"
    "34 12 10 00 00 00 01 00 00 00 92 34 A9 91 A7 53 4E 2D 30 30 34 32  34 12 0A 00 00 00 01 00 00 00 92 33 A3 91 A1 30");

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
  EXPECT_TRUE(session->SocketSession_ReadCurrentAngel(0x85));
  EXPECT_TRUE(session->SocketSession_SetCaliAngel(4, -3));
  EXPECT_TRUE(session->SocketSession_SetCurrentAngel(5, 90, 2000));
  EXPECT_TRUE(session->SocketSession_ReadServoInfo(6));
  EXPECT_TRUE(session->SocketSession_ReadSN());
  EXPECT_TRUE(session->SocketSession_WriteSN("SN-0043"));
  ASSERT_TRUE(robot.WaitForReceived(128, 5s)) << "not all seven commands arrived";
  robot.Send(kReplies);
  EXPECT_EQ(window.WaitForEvents(5), (std::vector<std::string>{"cali ok 3 -3", "angle ok -123 120",
                                                               "setcali failed 4 0", "readsn ok SN-0042 7",
                                                               "writesn ok 0 1"}));

  // The robot goes away: link lost.
  robot.CloseConnection();
  ASSERT_TRUE(window.RunUntil(3));
  EXPECT_EQ(window.states, "1/0 2/0 3/3");
  session->Release();
  ZAVSetUiHost(nullptr);
}

}  // namespace
