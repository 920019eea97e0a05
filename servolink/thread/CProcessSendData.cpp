#include "thread/CProcessSendData.h"

#include "platform/SeamCalls.h"

namespace servolink {

namespace {
// The pause of a send loop that found nothing to send, or a frame the socket did not take.
constexpr std::uint32_t kPollIntervalMs = 100;
}  // namespace

CProcessSendData::CProcessSendData() = default;

CProcessSendData::~CProcessSendData() { Stop(); }

bool CProcessSendData::Start(ISendQueueOwner* owner) {
  m_pOwner = owner;
  m_bStop = false;
  return StartThread();
}

void CProcessSendData::Stop() {
  m_bStop = true;
  StopThread();
}

void CProcessSendData::ThreadProcMain() {
  if (m_pOwner == nullptr || m_bStop) return;
  do {
    if (!SendHeadFrame()) ZAVSleep(kPollIntervalMs);
  } while (!m_bStop);
}

bool CProcessSendData::SendHeadFrame() {
  ZAVAutoLock hold(&m_pOwner->SendLock());
  auto& queue = m_pOwner->SendQueue();
  if (queue.empty()) return false;
  CDataSend& frame = *queue.front();
  frame.Advance(m_pOwner->SendOnLink(frame.Remaining(), frame.RemainingLength()));
  if (!frame.Done()) return false;
  queue.pop_front();
  return true;
}

}  // namespace servolink
