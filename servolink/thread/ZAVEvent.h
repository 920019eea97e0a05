#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace servolink {

// A manual-reset event: stays signalled until reset, wakes every waiter.
class ZAVEvent {
 public:
  explicit ZAVEvent(bool signalled) : m_bSignalled(signalled) {}

  // Notifies while still holding the mutex: a waiter that sees the event set may destroy it at
  // once (a thread that ends after stopping itself), so Set touches nothing after the unlock.
  void Set() {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_bSignalled = true;
    m_cond.notify_all();
  }

  void Reset() {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_bSignalled = false;
  }

  // True when the event is (or becomes) signalled within ms milliseconds.
  bool Wait(unsigned int ms) {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_cond.wait_for(hold, std::chrono::milliseconds(ms), [this] { return m_bSignalled; });
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cond;
  bool m_bSignalled;
};

}  // namespace servolink
