#include "thread/ZAVThread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <system_error>

#include "platform/UiHost.h"

namespace servolink {

namespace {
// How long one wait for the thread's end lasts before the caller's messages are pumped again.
constexpr unsigned int kPumpIntervalMs = 2;
}  // namespace

ZAVThread::ZAVThread() = default;

ZAVThread::~ZAVThread() = default;

bool ZAVThread::StartThread() {
  if (m_hThread.load() == nullptr) {
    m_hDoneEvent.Reset();
    try {
      m_hThread.store(new std::thread(&ZAVThread::Run, this));
    } catch (const std::system_error&) {
      m_hDoneEvent.Set();
    }
  }
  return m_hThread.load() != nullptr;
}

void ZAVThread::Run() {
  m_dwThreadId = static_cast<std::uint32_t>(::syscall(SYS_gettid));
  ThreadProcMain();
  m_hDoneEvent.Set();
}

void ZAVThread::StopThread() {
  std::thread* thread = m_hThread.exchange(nullptr);
  if (thread == nullptr) return;
  if (thread->get_id() == std::this_thread::get_id()) {
    thread->detach();
    delete thread;
    return;
  }
  while (!m_hDoneEvent.Wait(kPumpIntervalMs)) ZAVPumpMessages();
  thread->join();
  delete thread;
}

}  // namespace servolink
