#include "TestRobotPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

bool SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

TestRobotPeer::TestRobotPeer(std::string address, bool holdConnections, int receiveBuffer)
    : m_address(std::move(address)), m_holding(holdConnections) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  // Set on the listener so that accepted connections start with it (it bounds the window).
  if (receiveBuffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in bound{};
  bound.sin_family = AF_INET;
  bound.sin_port = htons(kPort);
  ::inet_pton(AF_INET, m_address.c_str(), &bound.sin_addr);
  // A backlog of 0 leaves room for a single waiting connection, which the filler takes.
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
      ::listen(fd, m_holding ? 0 : 16) != 0) {
    ::close(fd);
    return;
  }
  m_listenFd = fd;
  if (m_holding) {
    m_filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ::connect(m_filler, reinterpret_cast<const sockaddr*>(&bound), sizeof bound);
    pollfd established{m_filler, POLLOUT, 0};  // only an established filler occupies the queue
    ::poll(&established, 1, 1000);
    sockaddr_in local{};
    socklen_t length = sizeof local;
    ::getsockname(m_filler, reinterpret_cast<sockaddr*>(&local), &length);
    m_fillerPort = ntohs(local.sin_port);
  }
  m_thread = std::thread(&TestRobotPeer::Run, this);
}

TestRobotPeer::~TestRobotPeer() {
  {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_stop = true;
  }
  if (m_thread.joinable()) m_thread.join();
  for (int fd : {m_fd, m_filler, m_listenFd}) {
    if (fd >= 0) ::close(fd);
  }
}

void TestRobotPeer::ReleaseConnections() {
  std::lock_guard<std::mutex> hold(m_mutex);
  m_holding = false;
}

void TestRobotPeer::Run() {
  for (;;) {
    pollfd entries[2];
    {
      std::lock_guard<std::mutex> hold(m_mutex);
      if (m_stop) return;
      entries[0] = pollfd{m_holding ? -1 : m_listenFd, POLLIN, 0};
      entries[1] = pollfd{m_reading && !m_closedBySession && !m_closedHere ? m_fd : -1, POLLIN, 0};
    }
    if (::poll(entries, 2, 10) <= 0) continue;
    if (entries[0].revents != 0) Accept();
    if (entries[1].revents != 0) Read();
  }
}

void TestRobotPeer::Accept() {
  sockaddr_in remote{};
  socklen_t length = sizeof remote;
  const int fd = ::accept4(m_listenFd, reinterpret_cast<sockaddr*>(&remote), &length, SOCK_CLOEXEC);
  if (fd < 0) return;
  if (ntohs(remote.sin_port) == m_fillerPort) {
    ::close(fd);
    return;
  }
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  std::lock_guard<std::mutex> hold(m_mutex);
  if (m_fd >= 0) ::close(m_fd);  // only this thread and Send (under the mutex) use it
  m_fd = fd;
  ++m_connections;
  m_received.clear();
  m_closedBySession = m_closedHere = false;
  m_changed.notify_all();
}

void TestRobotPeer::Read() {
  char buffer[65536];
  const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  std::lock_guard<std::mutex> hold(m_mutex);
  if (n > 0) {
    m_received.append(buffer, static_cast<std::size_t>(n));
  } else {
    m_closedBySession = true;
  }
  m_changed.notify_all();
}

int TestRobotPeer::Connections() const {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_connections;
}

bool TestRobotPeer::WaitForConnections(int count, std::chrono::milliseconds limit) const {
  return WaitFor(limit, [&] { return m_connections >= count; });
}

std::string TestRobotPeer::Received() const {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_received;
}

bool TestRobotPeer::WaitForReceived(std::size_t size, std::chrono::milliseconds limit) const {
  return WaitFor(limit, [&] { return m_received.size() >= size; });
}

bool TestRobotPeer::WaitForClosedBySession(std::chrono::milliseconds limit) const {
  return WaitFor(limit, [&] { return m_closedBySession; });
}

void TestRobotPeer::SetReading(bool reading) {
  std::lock_guard<std::mutex> hold(m_mutex);
  m_reading = reading;
}

bool TestRobotPeer::Send(const std::string& bytes, std::size_t pieceSize) {
  if (pieceSize == 0) pieceSize = bytes.size();
  for (std::size_t at = 0; at < bytes.size(); at += pieceSize) {
    if (at > 0) std::this_thread::sleep_for(std::chrono::milliseconds(3));
    std::lock_guard<std::mutex> hold(m_mutex);
    if (m_fd < 0 || m_closedHere || !SendAll(m_fd, bytes.data() + at, std::min(pieceSize, bytes.size() - at))) {
      return false;
    }
  }
  return true;
}

void TestRobotPeer::CloseConnection() {
  std::lock_guard<std::mutex> hold(m_mutex);
  if (m_fd < 0 || m_closedHere) return;
  m_closedHere = true;
  // Shut down, not closed: the descriptor stays valid for the peer's own thread until the next.
  ::shutdown(m_fd, SHUT_RDWR);
}
