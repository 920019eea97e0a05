#include "session/TcpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace servolink {

namespace {

// The longest stretch a wait goes without looking at its cancel flag.
constexpr std::int64_t kSliceMs = 100;

bool SetBlocking(int socket, bool blocking) {
  const int flags = ::fcntl(socket, F_GETFL, 0);
  if (flags < 0) return false;
  const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
  return wanted == flags || ::fcntl(socket, F_SETFL, wanted) == 0;
}

// After the wait reported the socket writable: made only when no error is pending and a peer
// is there (a refused connect also reports writable).
bool ConnectionMade(int socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return false;
  sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  return ::getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &peerLength) == 0;
}

}  // namespace

int CreateTcpSocket() {
  const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  return socket < 0 ? kNoSocket : socket;
}

bool MakeIPv4Address(const char* text, int port, sockaddr_in* out) {
  *out = sockaddr_in{};
  out->sin_family = AF_INET;
  out->sin_port = htons(static_cast<std::uint16_t>(port));
  return text != nullptr && ::inet_pton(AF_INET, text, &out->sin_addr) == 1;
}

WaitResult WaitForSocket(int socket, bool readable, int timeoutSeconds,
                         const std::atomic<bool>* cancel) {
  if (socket == kNoSocket) return WaitResult::kFailed;
  std::int64_t remainingMs = std::max<std::int64_t>(0, std::int64_t{timeoutSeconds} * 1000);
  for (;;) {
    pollfd entry{socket, static_cast<short>(readable ? POLLIN : POLLOUT), 0};
    const std::int64_t sliceMs = std::min(remainingMs, kSliceMs);
    const int ready = ::poll(&entry, 1, static_cast<int>(sliceMs));
    if (ready > 0) return (entry.revents & POLLNVAL) ? WaitResult::kFailed : WaitResult::kReady;
    if (ready < 0 && errno != EINTR) return WaitResult::kFailed;
    if (cancel != nullptr && cancel->load()) return WaitResult::kCancelled;
    remainingMs -= sliceMs;
    if (remainingMs <= 0) return WaitResult::kTimedOut;
  }
}

bool ConnectWithTimeout(int socket, const sockaddr_in& address, int timeoutSeconds,
                        const std::atomic<bool>* cancel) {
  if (!SetBlocking(socket, false)) return false;
  bool made = false;
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    made = true;
  } else if (errno == EINPROGRESS) {
    made = WaitForSocket(socket, false, timeoutSeconds, cancel) == WaitResult::kReady &&
           ConnectionMade(socket);
  }
  return SetBlocking(socket, true) && made;
}

std::size_t SendSome(int socket, const char* data, std::size_t size) {
  if (socket == kNoSocket || size == 0) return 0;
  const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
  return sent > 0 ? static_cast<std::size_t>(sent) : 0;
}

void ShutdownSocket(int socket) {
  if (socket != kNoSocket) ::shutdown(socket, SHUT_RDWR);
}

void CloseSocket(int socket) {
  if (socket != kNoSocket) ::close(socket);
}

}  // namespace servolink
