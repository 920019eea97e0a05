#pragma once

// Doubles of the link objects and the prompt for the calibration window tests. Each fake is owned
// by its test; Release only records itself in a shared journal, so a test can check which objects
// were released and in what order.

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QString>
#include <QThread>
#include <atomic>

#include "ZAVServoSocket.h"
#include "ZAVUsbAdbDetection.h"
#include "calibration/CaltrimPrompt.h"

using Journal = std::vector<std::string>;

class FakeSession : public CIZAVSocketSession {
 public:
  explicit FakeSession(Journal* journal) : m_journal(journal) {}

  struct Start {
    std::string ip;
    int timeout;
    HWND window;
    IZAVSocketSessionEvent* sink;
  };

  bool StartConnect(const char* ip, int timeoutSeconds, HWND notifyWindow,
                    IZAVSocketSessionEvent* sink) override {
    starts.push_back({ip, timeoutSeconds, notifyWindow, sink});
    return startResult;
  }
  bool StopConnect() override {
    ++stops;
    return true;
  }
  void Release() override { m_journal->push_back("session"); }
  bool SendData(const char*, int) override { return true; }
  bool SocketSession_ReadServoInfo(int) override { return true; }
  bool SocketSession_ReadServoCaliAngel(int id) override {
    std::lock_guard<std::mutex> hold(m_lock);
    caliReads.push_back(id);
    return true;
  }
  bool SocketSession_ReadCurrentAngel(int id) override {
    std::lock_guard<std::mutex> hold(m_lock);
    angleReads.push_back(id);
    return true;
  }
  bool SocketSession_SetCurrentAngel(int, int, int) override { return true; }
  bool SocketSession_SetCaliAngel(int, int) override { return true; }
  bool IsConnected() override { return false; }
  bool SocketSession_ReadSN() override { return true; }
  bool SocketSession_WriteSN(const std::string&) override { return true; }

  std::vector<Start> starts;
  int stops = 0;
  bool startResult = true;
  std::vector<int> caliReads;
  std::vector<int> angleReads;

 private:
  std::mutex m_lock;
  Journal* m_journal;
};

class FakeBroadcast : public CIZAVBroadcastSocket {
 public:
  explicit FakeBroadcast(Journal* journal) : m_journal(journal) {}

  bool StartBroadcast(HWND owner, IZAVBroadcastEvent* sinkArg) override {
    window = owner;
    sink = sinkArg;
    return startResult;
  }
  bool Release() override {
    m_journal->push_back("broadcast");
    return true;
  }
  bool SendData(const char*, int) override { return true; }
  bool SendCmd(int, std::string* text) override {
    delete text;
    return true;
  }
  int SearchDevice() override {
    ++searches;
    return 1;
  }
  std::list<__DevInfo*>* GetDevList() override { return nullptr; }
  void ClearDevList() override {}

  HWND window = nullptr;
  IZAVBroadcastEvent* sink = nullptr;
  bool startResult = true;
  int searches = 0;

 private:
  Journal* m_journal;
};

// Answers GetDeviceState from a list (0 once the list is used up). Thread-safe: the USB worker
// asks from its own thread.
class FakeUsbDetection : public IZAVUsbDetection {
 public:
  explicit FakeUsbDetection(Journal* journal) : m_journal(journal) {}

  bool Init(int modeArg, IZAVUsbAdbEvent* sinkArg, HWND ownerArg) override {
    mode = modeArg;
    sink = sinkArg;
    owner = ownerArg;
    return true;
  }
  void Release() override { m_journal->push_back("usb"); }
  bool ForwardPort(int port) override {
    std::lock_guard<std::mutex> hold(m_lock);
    forwards.push_back(port);
    return true;
  }
  bool RemoveForward(int) override { return true; }
  std::string GetDeviceSerial() override { return std::string(); }
  int GetDeviceState() override {
    ++asked;
    std::lock_guard<std::mutex> hold(m_lock);
    if (states.empty()) return 0;
    const int state = states.front();
    states.pop_front();
    return state;
  }
  bool StopServer() override { return true; }
  bool Recover() override {
    std::lock_guard<std::mutex> hold(m_lock);
    ++recovers;
    return true;
  }

  std::deque<int> states;
  std::atomic<int> asked{0};
  std::vector<int> forwards;
  int recovers = 0;
  int mode = 0;
  IZAVUsbAdbEvent* sink = nullptr;
  HWND owner = nullptr;

 private:
  std::mutex m_lock;
  Journal* m_journal;
};

// Records every box and answers from a list (IDOK, or IDYES for a Yes/No box, once it is empty).
// With onUiThread set, a box asked for on another thread is answered on the user-interface thread
// while the asking thread waits, as a real message box is.
class RecordingPrompt : public ICaltrimPrompt {
 public:
  struct Box {
    QString text;
    QString caption;
    unsigned int style;
  };

  int Show(QWidget* owner, const QString& text, const QString& caption,
           unsigned int style) override {
    if (onUiThread && QThread::currentThread() != QCoreApplication::instance()->thread()) {
      int answer = IDOK;
      QMetaObject::invokeMethod(
          QCoreApplication::instance(), [&] { answer = Show(owner, text, caption, style); },
          Qt::BlockingQueuedConnection);
      return answer;
    }
    std::lock_guard<std::mutex> hold(m_lock);
    boxes.push_back({text, caption, style});
    if (!answers.empty()) {
      const int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (style & 0x0F) == MB_YESNO ? IDYES : IDOK;
  }

  std::vector<QString> Texts() {
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<QString> texts;
    for (const Box& box : boxes) texts.push_back(box.text);
    return texts;
  }

  std::vector<Box> boxes;
  std::deque<int> answers;
  bool onUiThread = false;

 private:
  std::mutex m_lock;
};
