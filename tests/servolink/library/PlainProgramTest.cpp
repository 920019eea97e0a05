// A plain C++ program (no Qt) that knows the link library only by its chief header and links only
// libZAVServoSocket.so; states arrive through its own window and message loop. Every command's
// bytes and every reply's event are checked on the session itself (SessionTest); here what a
// program sees: the run, a reply, the link's loss, and the session's lifetime.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "TestBytes.h"
#include "TestRobotPeer.h"
#include "ZAVServoSocket.h"

using namespace std::chrono_literals;

namespace {

// A window of this program: posted states queue up and are handled by its message loop on the
// thread that pumps (the UI host's pump, or RunUntil); events are recorded as they are raised.
class ProgramWindow : public IZAVNotifyWindow, public IZAVUiHost, public IZAVSocketSessionEvent {
 public:
  void PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_SESSION_STATE) Record(&m_posted, std::to_string(wParam) + "/" + std::to_string(lParam) + " ");
  }
  void PumpMessages() override {
    std::lock_guard<std::mutex> hold(m_mutex);
    if (!m_posted.empty()) handledOn = std::this_thread::get_id();
    states += m_posted;
    m_posted.clear();
  }
  int MessageBox(const std::string&, const std::string&, unsigned int) override { return IDOK; }
  void OnReadServoCaliAngel(bool ok, int id, int value) override {
    Record(&events, (ok ? "ok " : "failed ") + std::to_string(id) + " " + std::to_string(value));
  }
  void OnReadCurrentAngel(bool, int, int) override {}
  void OnSetCaliAngel(bool, int) override {}
  void OnReadSN(bool, const char*, int) override {}
  void OnWriteSN(bool, const char*, int) override {}

  // Runs the message loop until the handled states are those expected (or 10 s have passed).
  bool RunUntil(const std::string& expected) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    for (;;) {
      PumpMessages();
      std::unique_lock<std::mutex> hold(m_mutex);
      if (states == expected) return true;
      if (!m_changed.wait_until(hold, deadline, [&] { return !m_posted.empty(); })) return false;
    }
  }
  bool WaitForEvent() {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_changed.wait_for(hold, 10s, [&] { return !events.empty(); });
  }

  std::string states;  // "1/0 2/0 "
  std::string events;
  std::thread::id handledOn;

 private:
  void Record(std::string* to, const std::string& text) {
    std::lock_guard<std::mutex> hold(m_mutex);
    *to += text;
    m_changed.notify_all();
  }
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::string m_posted;
};

TEST(PlainProgram, DrivesASessionThroughTheChiefHeaderAloneAndReleaseEndsItsRunSilently) {
  ProgramWindow window;
  ZAVSetUiHost(&window);
  TestRobotPeer robot("127.0.0.26");
  ASSERT_TRUE(robot.IsListening());
  EXPECT_FALSE(CreateZAVSocketSession(nullptr));
  CIZAVSocketSession* session = nullptr;
  ASSERT_TRUE(CreateZAVSocketSession(&session));
  EXPECT_TRUE(session->StopConnect());  // never started
  session->Release();

  ASSERT_TRUE(CreateZAVSocketSession(&session));
  ASSERT_TRUE(session->StartConnect("127.0.0.26", 5, &window, &window));
  ASSERT_TRUE(window.RunUntil("1/0 2/0 ")) << window.states;
  EXPECT_EQ(window.handledOn, std::this_thread::get_id());
  EXPECT_TRUE(session->IsConnected());
  EXPECT_TRUE(session->SocketSession_ReadServoCaliAngel(3));
  ASSERT_TRUE(robot.WaitForReceived(17, 5s));
  EXPECT_EQ(Hex(robot.Received()), "34 12 0B 00 00 00 01 00 00 00 92 01 A4 92 0D A1 03");
  robot.Send(Bytes("34 12 0E 00 00 00 01 00 00 00 92 01 A7 92 0D A4 00 03 FF FD"));
  ASSERT_TRUE(window.WaitForEvent());
  EXPECT_EQ(window.events, "ok 3 -3");
  robot.CloseConnection();  // link lost: the run ends by itself
  ASSERT_TRUE(window.RunUntil("1/0 2/0 3/3 ")) << window.states;
  // Release without the StopConnect the program usually makes first still joins the ended thread.
  session->Release();

  // Released while connected: the socket closes and nothing more is posted.
  window.states.clear();
  ASSERT_TRUE(CreateZAVSocketSession(&session));
  ASSERT_TRUE(session->StartConnect("127.0.0.26", 10, &window, &window));
  ASSERT_TRUE(window.RunUntil("1/0 2/0 ")) << window.states;
  session->SocketSession_ReadServoCaliAngel(1);
  session->Release();
  EXPECT_TRUE(robot.WaitForClosedBySession(5s));
  window.PumpMessages();
  EXPECT_EQ(window.states, "1/0 2/0 ");
  ZAVSetUiHost(nullptr);
}

}  // namespace
