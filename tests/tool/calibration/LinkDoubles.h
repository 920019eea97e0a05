#pragma once

// Doubles of the session and the message boxes, shared by the calibration and serial number
// windows' tests.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ZAVServoSocket.h"
#include "app/UiThread.h"
#include "calibration/CaltrimPrompt.h"

using Journal = std::vector<std::string>;

class FakeSession : public CIZAVSocketSession {
 public:
  explicit FakeSession(Journal* journal) : m_journal(journal) {}

  struct Start { std::string ip; IZAVSocketSessionEvent* sink; };
  bool StartConnect(const char* ip, int, HWND, IZAVSocketSessionEvent* sink) override {
    starts.push_back({ip, sink});
    if (onStart) std::exchange(onStart, nullptr)();
    return startResult;
  }
  bool StopConnect() override {
    if (onStop) std::exchange(onStop, nullptr)();
    return ++stops > 0;
  }
  void Release() override { m_journal->push_back("session"); }
  bool SendData(const char*, int) override { return true; }
  bool SocketSession_ReadServoInfo(int) override { return true; }
  bool SocketSession_ReadServoCaliAngel(int id) override {
    caliReads.push_back(id);
    return true;
  }
  bool SocketSession_ReadCurrentAngel(int) override { return true; }
  bool SocketSession_SetCurrentAngel(int id, int angle, int ms) override {
    moves.push_back(std::to_string(id) + "," + std::to_string(angle) + "," + std::to_string(ms));
    movedAt.push_back(clock.elapsed());
    return true;
  }
  bool SocketSession_SetCaliAngel(int id, int value) override {
    std::lock_guard<std::mutex> hold(m_writesLock);
    m_writes.emplace_back(id, value);
    if (onWrite) onWrite(id);
    return true;
  }
  // The offset writes so far, (servo id, value); they come from the calibration worker.
  std::vector<std::pair<int, int>> Writes() {
    std::lock_guard<std::mutex> hold(m_writesLock);
    return m_writes;
  }
  bool IsConnected() override { return false; }
  bool SocketSession_ReadSN() override { return ++snReads > 0; }
  bool SocketSession_WriteSN(const std::string& sn) override {
    snWrites.push_back(sn);
    return true;
  }

  std::vector<Start> starts;
  int snReads = 0;
  std::vector<std::string> snWrites;
  std::function<void()> onStart, onStop;  // run once, inside the next call: as if it waited
  int stops = 0;
  bool startResult = true;
  std::vector<int> caliReads;  // asked on the user-interface thread only
  // Moves as "id,angle,ms", each with the ms of clock when asked; user-interface thread only.
  std::vector<std::string> moves;
  std::vector<qint64> movedAt;
  QElapsedTimer clock;
  // Called with the servo id inside each offset write, on the writing thread; set it first.
  std::function<void(int)> onWrite;

 private:
  Journal* m_journal;
  std::mutex m_writesLock;
  std::vector<std::pair<int, int>> m_writes;
};

// Records every box (text, style) and answers from a list, then IDOK/IDYES. With onUiThread set, a box asked
// for on another thread is answered on the user-interface thread, as a real box is. With holdOpen
// set, a box stays open there, serving events as a real one does, until Answer(); whileOpen runs
// once inside it, as soon as it is open.
class RecordingPrompt : public ICaltrimPrompt {
 public:
  int Show(QWidget* owner, const QString& text, const QString& caption,
           unsigned int style) override {
    if ((onUiThread || holdOpen) && !OnThreadOf(QCoreApplication::instance())) {
      return RunOnUiThreadAndWait(QCoreApplication::instance(),
                                  [&] { return Show(owner, text, caption, style); });
    }
    {
      std::lock_guard<std::mutex> hold(m_lock);
      texts.push_back(text);
      styles.push_back(style);
    }
    if (holdOpen) {
      QEventLoop box;
      m_box = &box;
      QTimer::singleShot(0, &box, [this] {
        if (auto fn = std::exchange(whileOpen, nullptr)) fn();
      });
      box.exec();
      m_box = nullptr;
    }
    std::lock_guard<std::mutex> hold(m_lock);
    if (answers.empty()) return (style & 0x0F) == MB_YESNO ? IDYES : IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<QString> Texts() {
    std::lock_guard<std::mutex> hold(m_lock);
    return texts;
  }

  // Closes the box held open.
  void Answer() {
    if (m_box != nullptr) m_box->quit();
  }

  std::vector<QString> texts;
  std::vector<unsigned int> styles;
  std::deque<int> answers;
  bool onUiThread = false;
  bool holdOpen = false;
  std::function<void()> whileOpen;

 private:
  std::mutex m_lock;
  QEventLoop* m_box = nullptr;
};

// Ends the test program with a message when it is still running after limit: a test of a hang
// fails instead of holding the run until ctest's time-out.
class HangWatchdog {
 public:
  explicit HangWatchdog(std::string what, std::chrono::seconds limit = std::chrono::seconds(30))
      : m_thread([this, what = std::move(what), limit] {
          std::unique_lock<std::mutex> hold(m_lock);
          if (m_over.wait_for(hold, limit, [this] { return m_bOver; })) return;
          std::fprintf(stderr, "hung: %s\n", what.c_str());
          std::_Exit(1);
        }) {}
  ~HangWatchdog() {
    {
      std::lock_guard<std::mutex> hold(m_lock);
      m_bOver = true;
    }
    m_over.notify_one();
    m_thread.join();
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_over;
  bool m_bOver = false;
  std::thread m_thread;
};
