#include "discovery/CZAVBroadcastSocketImpl.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "discovery/DeviceRecord.h"
#include "discovery/DiscoveryDatagram.h"
#include "platform/SeamCalls.h"

namespace servolink {
namespace {

const char kSearchText[] = "1";

int MakeUdpSocket(int extraFlags) {
  return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | extraFlags, IPPROTO_UDP);
}

bool AllowBroadcast(int socket) {
  const int on = 1;
  return ::setsockopt(socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

sockaddr_in Ipv4Address(in_addr_t host, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(host);
  return address;
}

}  // namespace

CZAVBroadcastSocketImpl::CZAVBroadcastSocketImpl() = default;

CZAVBroadcastSocketImpl::~CZAVBroadcastSocketImpl() {
  m_bRunning = false;
  StopThread();
  CloseSockets();
  ClearDevList();
}

bool CZAVBroadcastSocketImpl::StartBroadcast(HWND owner, IZAVBroadcastEvent* sink) {
  // The platform's socket library needs no start here. A started object is not started again:
  // that would only leak a second pair of sockets.
  if (m_bRunning) return false;
  if (sink != nullptr) m_pEvent = sink;

  // What an earlier, failed start left behind.
  CloseSockets();
  m_receiveSocket = MakeUdpSocket(SOCK_NONBLOCK);
  m_sendSocket = MakeUdpSocket(0);
  if (m_receiveSocket < 0 || m_sendSocket < 0) return false;

  AllowBroadcast(m_receiveSocket);
  AllowBroadcast(m_sendSocket);
  m_broadcastAddr = Ipv4Address(INADDR_BROADCAST, m_nPort);

  // No SO_REUSEADDR: whoever already holds the port makes this start fail.
  const sockaddr_in any = Ipv4Address(INADDR_ANY, m_nPort);
  if (::bind(m_receiveSocket, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) return false;

  m_bRunning = true;
  m_hOwner = owner;
  if (!StartThread()) {
    m_bRunning = false;
    return false;
  }
  return true;
}

bool CZAVBroadcastSocketImpl::Release() {
  m_bRunning = false;
  // The thread ends first and the sockets are closed after it: a descriptor closed while the
  // thread may still pass it to recvfrom could meanwhile be reused by anything the process opens.
  // StopThread keeps serving the caller's messages, so a delivery or a message box in progress
  // on the discovery thread can finish.
  StopThread();
  CloseSockets();
  ClearDevList();
  delete this;
  return true;
}

bool CZAVBroadcastSocketImpl::SendData(const char* data, int len) {
  ZAVAutoLock hold(&m_lock);
  if (m_receiveSocket < 0 || data == nullptr || len <= 0) return false;
  ::sendto(m_sendSocket, data, static_cast<std::size_t>(len), MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(&m_broadcastAddr), sizeof m_broadcastAddr);
  return true;
}

bool CZAVBroadcastSocketImpl::SendCmd(int cmd, std::string* text) {
  if (cmd != CMD_SEARCH_DEVICE) return false;
  const std::string frame = BuildSearchRequest(text != nullptr ? *text : std::string());
  SendData(frame.data(), static_cast<int>(frame.size()));
  delete text;
  return true;
}

int CZAVBroadcastSocketImpl::SearchDevice() {
  if (m_sendSocket < 0) return -1;
  auto* text = new std::string(kSearchText);
  if (SendCmd(CMD_SEARCH_DEVICE, text)) return 1;
  delete text;
  return -1;
}

std::list<__DevInfo*>* CZAVBroadcastSocketImpl::GetDevList() {
  ZAVAutoLock hold(&m_lock);
  return m_devList.empty() ? nullptr : &m_devList;
}

void CZAVBroadcastSocketImpl::ClearDevList() {
  ZAVAutoLock hold(&m_lock);
  for (__DevInfo* info : m_devList) delete info;
  m_devList.clear();
}

void CZAVBroadcastSocketImpl::ThreadProcMain() {
  SearchDevice();
  char buffer[kDiscoveryBufferSize];
  while (m_bRunning) {
    std::memset(buffer, 0, sizeof buffer);
    socklen_t senderSize = sizeof m_sender;
    // MSG_TRUNC makes a datagram longer than the buffer report its whole size, so it can be
    // told apart and discarded instead of being read cut short.
    const ssize_t received = ::recvfrom(m_receiveSocket, buffer, sizeof buffer, MSG_TRUNC,
                                        reinterpret_cast<sockaddr*>(&m_sender), &senderSize);
    if (received < 0) {
      // The socket is gone: nothing more can arrive.
      if (errno == EBADF || errno == ENOTSOCK) break;
      ZAVSleep(errno == EAGAIN || errno == EWOULDBLOCK ? kIdleWaitMs : kTurnWaitMs);
      continue;
    }
    const auto size = static_cast<std::size_t>(received);
    if (size > 0 && size <= sizeof buffer) DeliverDiscoveryDatagram(buffer, size, m_pEvent);
    ZAVSleep(kTurnWaitMs);
  }
}

void CZAVBroadcastSocketImpl::CloseSockets() {
  ZAVAutoLock hold(&m_lock);
  if (m_receiveSocket >= 0) ::close(m_receiveSocket);
  if (m_sendSocket >= 0) ::close(m_sendSocket);
  m_receiveSocket = -1;
  m_sendSocket = -1;
}

}  // namespace servolink

extern "C" ZAV_EXPORT bool CreateZAVBroadcastSocket(CIZAVBroadcastSocket** out) {
  if (out == nullptr) return false;
  try {
    *out = new servolink::CZAVBroadcastSocketImpl();
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
