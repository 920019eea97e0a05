#pragma once

#include <atomic>

#include "thread/ISendQueueOwner.h"
#include "thread/ZAVThread.h"

namespace servolink {

// The send thread of a session: drains the session's send queue into its link, oldest frame
// first. A frame that leaves whole is followed at once by the next, so a full queue drains
// without pauses; an empty queue, or a frame the socket does not take (no connection yet, a full
// send buffer, an error), is tried again after 100 ms. A frame the socket takes only in part
// keeps its place at the head and only its remaining bytes go out on the next attempt.
class CProcessSendData : public ZAVThread {
 public:
  CProcessSendData();
  // Stops the thread and waits for its end.
  ~CProcessSendData() override;

  // Serves owner's queue and link: clears the stop request and starts the thread. True when
  // the thread runs afterwards.
  bool Start(ISendQueueOwner* owner);

  // Sets the stop request and waits for the thread's end (at most one attempt plus 100 ms).
  // Returns at once when the thread is not running.
  void Stop();

  // The send loop.
  void ThreadProcMain() override;

 private:
  // One attempt on the frame at the head of the queue. True when that frame has now left whole.
  bool SendHeadFrame();

  std::atomic<bool> m_bStop{false};
  ISendQueueOwner* m_pOwner = nullptr;
};

}  // namespace servolink
