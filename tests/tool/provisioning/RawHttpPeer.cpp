#include "tool/provisioning/RawHttpPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace {

bool Readable(int fd, int timeoutMs) {
  pollfd ready{fd, POLLIN, 0};
  return ::poll(&ready, 1, timeoutMs) == 1;
}

// The bytes of one request: its header block and Content-Length bytes of body.
std::string ReadRequest(int fd) {
  std::string bytes;
  char buffer[4096];
  std::size_t wanted = std::string::npos;
  while (bytes.size() < wanted && Readable(fd, 5000)) {
    const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
    const std::size_t end = bytes.find("\r\n\r\n");
    if (wanted == std::string::npos && end != std::string::npos) {
      const std::size_t length = bytes.find("Content-Length: ");
      wanted = end + 4 + (length < end ? std::strtoul(bytes.c_str() + length + 16, nullptr, 10) : 0);
    }
  }
  return bytes;
}

}  // namespace

std::string HttpResponse(int status, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " Status\r\nContent-Type: application/json\r\n" +
         "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

RawHttpPeer::RawHttpPeer(std::string response, bool hold)
    : m_response(std::move(response)), m_hold(hold) {
  m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
      ::listen(m_listenFd, 8) == 0 &&
      ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    m_port = ntohs(address.sin_port);
  }
  m_thread = std::thread(&RawHttpPeer::Run, this);
}

RawHttpPeer::~RawHttpPeer() {
  {
    const std::lock_guard<std::mutex> hold(m_mutex);
    m_stop = true;
  }
  m_thread.join();
  ::close(m_listenFd);
}

std::string RawHttpPeer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> RawHttpPeer::Requests() {
  const std::lock_guard<std::mutex> hold(m_mutex);
  return m_requests;
}

void RawHttpPeer::Run() {
  while (true) {
    {
      const std::lock_guard<std::mutex> hold(m_mutex);
      if (m_stop) return;
    }
    if (!Readable(m_listenFd, 20)) continue;
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    Serve(fd);
    ::close(fd);
  }
}

void RawHttpPeer::Serve(int fd) {
  const std::string request = ReadRequest(fd);
  {
    const std::lock_guard<std::mutex> hold(m_mutex);
    m_requests.push_back(request);
  }
  for (std::size_t sent = 0; sent < m_response.size();) {
    const ssize_t n = ::send(fd, m_response.data() + sent, m_response.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
  // Held: wait for the client to give up (end of stream or reset), for the end of the test, or
  // at most kHoldLimit, so that a client that never gives up fails its test instead of hanging it.
  constexpr auto kHoldLimit = std::chrono::seconds(5);
  const auto until = std::chrono::steady_clock::now() + kHoldLimit;
  char byte;
  while (m_hold && std::chrono::steady_clock::now() < until) {
    {
      const std::lock_guard<std::mutex> hold(m_mutex);
      if (m_stop) return;
    }
    if (Readable(fd, 20) && ::recv(fd, &byte, 1, 0) <= 0) return;
  }
}
