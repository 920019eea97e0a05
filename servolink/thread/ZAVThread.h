#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "thread/ZAVEvent.h"

namespace servolink {

// A thread object: the derived class supplies the body; StartThread runs it, StopThread waits for
// its end. The derived class asks its body to end (its own stop flag) before calling StopThread.
class ZAVThread {
 public:
  ZAVThread();
  // Neither stops nor waits for a thread: a derived class stops its thread in its own destructor.
  virtual ~ZAVThread();
  ZAVThread(const ZAVThread&) = delete;
  ZAVThread& operator=(const ZAVThread&) = delete;

  // The thread body.
  virtual void ThreadProcMain() = 0;

  // Starts a thread running ThreadProcMain unless one is already held. True when a thread is
  // held afterwards.
  bool StartThread();

  // Takes the thread handle atomically (so of two callers only one waits) and waits for the
  // thread to end, dispatching the calling thread's messages through the UI host meanwhile, so a
  // user-interface thread keeps serving the thread it waits for. Returns at once when no thread
  // is held. Called from the thread itself, it lets the thread run to its end on its own.
  void StopThread();

 protected:
  std::uint32_t m_dwThreadId = 0;
  std::atomic<std::thread*> m_hThread{nullptr};
  ZAVEvent m_hDoneEvent{true};

 private:
  void Run();
};

}  // namespace servolink
