#pragma once

#include <cstddef>
#include <list>
#include <memory>

#include "ZAVCritSec.h"
#include "thread/CDataSend.h"

namespace servolink {

// What a send thread serves: a queue of frames under a lock, and the link they go out on. The
// session implements it, so the thread kit needs nothing of the session.
class ISendQueueOwner {
 public:
  // Guards the queue and the link; the send thread holds it for each attempt.
  virtual ZAVCritSec& SendLock() = 0;
  // The frames waiting, oldest first. Used only while SendLock is held.
  virtual std::list<std::unique_ptr<CDataSend>>& SendQueue() = 0;
  // One send attempt of size bytes on the link, while SendLock is held: the number of bytes it
  // took, 0 while no link is up.
  virtual std::size_t SendOnLink(const char* data, std::size_t size) = 0;

 protected:
  ~ISendQueueOwner() = default;
};

}  // namespace servolink
