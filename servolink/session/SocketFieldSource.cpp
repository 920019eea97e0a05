#include "session/SocketFieldSource.h"

#include <sys/socket.h>

#include <cerrno>

#include "session/TcpSocket.h"

namespace servolink {

SocketFieldSource::SocketFieldSource(int socket, int timeoutSeconds,
                                     const std::atomic<bool>* cancel)
    : m_socket(socket), m_nTimeout(timeoutSeconds), m_pCancel(cancel) {}

bool SocketFieldSource::ReadField(void* buffer, std::size_t size) {
  auto* bytes = static_cast<char*>(buffer);
  std::size_t got = 0;
  while (got < size) {
    if (WaitForSocket(m_socket, true, m_nTimeout, m_pCancel) != WaitResult::kReady) return false;
    const ssize_t n = ::recv(m_socket, bytes + got, size - got, 0);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
      return false;  // the peer closed, or the link broke
    }
  }
  return true;
}

}  // namespace servolink
