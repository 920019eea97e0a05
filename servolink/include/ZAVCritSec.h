#pragma once

#include <mutex>

// A re-entrant lock: the thread that holds it may take it again. Shared with the program, which
// guards its own state with the same two classes; both are header-only, so nothing of them
// crosses the library's boundary.
class ZAVCritSec {
 public:
  ZAVCritSec() = default;
  virtual ~ZAVCritSec() = default;
  ZAVCritSec(const ZAVCritSec&) = delete;
  ZAVCritSec& operator=(const ZAVCritSec&) = delete;

  void Lock() { m_section.lock(); }
  void Unlock() { m_section.unlock(); }
  // Takes the lock when that needs no wait; true when it did. Lets a user-interface thread keep
  // serving its messages between attempts instead of blocking on a holder that waits for it.
  bool TryLock() { return m_section.try_lock(); }

 private:
  std::recursive_mutex m_section;
};

// Holds a ZAVCritSec for the life of a scope.
class ZAVAutoLock {
 public:
  explicit ZAVAutoLock(ZAVCritSec* lock) : m_pLock(lock) { m_pLock->Lock(); }
  virtual ~ZAVAutoLock() { m_pLock->Unlock(); }
  ZAVAutoLock(const ZAVAutoLock&) = delete;
  ZAVAutoLock& operator=(const ZAVAutoLock&) = delete;

 private:
  ZAVCritSec* m_pLock;
};
