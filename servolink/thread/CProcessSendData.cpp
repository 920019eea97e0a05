#include "thread/CProcessSendData.h"

#include "platform/SeamCalls.h"
#include "session/CZAVSocketSessionImpl.h"
#include "session/TcpSocket.h"

namespace servolink {

namespace {
// The pause of a send loop that found nothing to send, or a frame the socket did not take.
constexpr std::uint32_t kPollIntervalMs = 100;
}  // namespace

CProcessSendData::CProcessSendData() = default;

CProcessSendData::~CProcessSendData() { Stop(); }

bool CProcessSendData::Start(CZAVSocketSessionImpl* owner) {
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
  ZAVAutoLock hold(&m_pOwner->m_lock);
  auto& queue = m_pOwner->m_sendList;
  if (queue.empty()) return false;
  CDataSend& frame = *queue.front();
  // Only a made connection takes bytes. While the connect is under way the socket exists, but a
  // send on it would consume the error that tells the receive thread the peer refused.
  const int socket = m_pOwner->m_bConnected ? m_pOwner->m_socket.load() : kNoSocket;
  frame.Advance(SendSome(socket, frame.Remaining(), frame.RemainingLength()));
  if (!frame.Done()) return false;
  queue.pop_front();
  return true;
}

}  // namespace servolink
