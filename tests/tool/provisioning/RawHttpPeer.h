#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Answers slowly: the bytes of the answer from the from-th on go out one at a time, gap apart.
struct Trickle {
  std::size_t from = 0;
  std::chrono::milliseconds gap{0};
};

// A stand-in HTTP server that knows no HTTP library: on 127.0.0.1 (a free port) it records each
// request's bytes as they arrived and answers every request with the same raw bytes. With hold
// it then keeps the connection open until the client gives up (at most 5 s, so a client that
// never does fails its test instead of hanging it): an answer can stop part-way, or never start.
// With trickle it sends the answer slowly, until the client gives up.
class RawHttpPeer {
 public:
  explicit RawHttpPeer(std::string response, bool hold = false, Trickle trickle = {})
      : m_response(std::move(response)), m_hold(hold), m_trickle(trickle) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(m_listenFd, 8);
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Run(); });
  }
  ~RawHttpPeer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listenFd);
  }

  int Port() const { return m_port; }
  std::string Url(const std::string& path = "") const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
  }
  std::vector<std::string> Requests() {
    const std::lock_guard<std::mutex> hold(m_mutex);
    return m_requests;
  }

 private:
  static bool Readable(int fd, int timeoutMs) {
    pollfd ready{fd, POLLIN, 0};
    return ::poll(&ready, 1, timeoutMs) == 1;
  }

  // The header block and Content-Length bytes of body.
  static std::string ReadRequest(int fd) {
    std::string bytes;
    char buffer[4096];
    std::size_t end = std::string::npos;
    std::size_t length = 0;
    while ((end == std::string::npos || bytes.size() < end + 4 + length) && Readable(fd, 5000)) {
      const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      bytes.append(buffer, static_cast<std::size_t>(got));
      end = bytes.find("\r\n\r\n");
      const std::size_t field = bytes.find("Content-Length: ");
      if (field < end) length = std::strtoul(bytes.c_str() + field + 16, nullptr, 10);
    }
    return bytes;
  }

  // The answer, its trickled part a byte at a time; the client closing ends it.
  void Answer(int fd) {
    const bool trickles = m_trickle.gap.count() > 0;
    const std::size_t whole = trickles ? std::min(m_trickle.from, m_response.size()) : m_response.size();
    ::send(fd, m_response.data(), whole, MSG_NOSIGNAL);
    for (std::size_t at = whole; at < m_response.size() && !m_stop; ++at) {
      char byte;
      if (Readable(fd, static_cast<int>(m_trickle.gap.count())) && ::recv(fd, &byte, 1, 0) <= 0) return;
      if (::send(fd, m_response.data() + at, 1, MSG_NOSIGNAL) != 1) return;
    }
  }

  void Run() {
    while (!m_stop) {
      if (!Readable(m_listenFd, 20)) continue;
      const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      const std::string request = ReadRequest(fd);
      {
        const std::lock_guard<std::mutex> hold(m_mutex);
        m_requests.push_back(request);
      }
      Answer(fd);
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      char byte;
      while (m_hold && !m_stop && std::chrono::steady_clock::now() < until) {
        if (Readable(fd, 20) && ::recv(fd, &byte, 1, 0) <= 0) break;
      }
      ::close(fd);
    }
  }

  const std::string m_response;
  const bool m_hold;
  const Trickle m_trickle;
  int m_listenFd = -1;
  int m_port = 0;
  std::mutex m_mutex;
  std::vector<std::string> m_requests;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// An HTTP/1.1 answer with status and body; the connection closes after it.
inline std::string HttpResponse(int status, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) + " Status\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}
