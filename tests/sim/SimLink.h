#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "sim/robot/FrameAssembler.h"
#include "support/rig/ChildProcess.h"

// A plain TCP client of the simulator's command service, reading with time-outs.
class SimLink {
 public:
  SimLink() = default;
  ~SimLink() { Close(); }
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  bool Connect(const std::string& host) {
    Close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(6102);
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    return m_fd >= 0 && ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  void Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_assembler = FrameAssembler();
  }
  bool Send(const std::string& bytes) {
    return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }

  // What one receive returns once data is there (at most size bytes); empty after timeoutMs or
  // at the end of the stream.
  std::string ReceiveOnce(int timeoutMs, std::size_t size = 4096) {
    pollfd ready{m_fd, POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) != 1) return "";
    std::string buffer(size, '\0');
    const ssize_t got = ::recv(m_fd, buffer.data(), size, 0);
    buffer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return buffer;
  }

  // Exactly size bytes, or what came before timeoutMs ran out.
  std::string Receive(std::size_t size, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string bytes;
    while (bytes.size() < size) {
      const std::string piece = ReceiveOnce(Left(deadline), size - bytes.size());
      if (piece.empty()) break;
      bytes += piece;
    }
    return bytes;
  }

  // The next whole frame's payload; false after timeoutMs or at the end of the stream.
  bool ReceiveFrame(std::string* payload, int timeoutMs = 3000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string bytes;
    while (m_assembler.Next(&bytes, payload) != FrameAssembler::Result::kFrame) {
      const std::string piece = ReceiveOnce(Left(deadline));
      if (piece.empty()) return false;
      m_assembler.Append(piece.data(), piece.size());
    }
    return true;
  }

  // True when the simulator closed the link within timeoutMs.
  bool ClosedByPeer(int timeoutMs) {
    pollfd ready{m_fd, POLLIN, 0};
    char byte;
    return ::poll(&ready, 1, timeoutMs) == 1 && ::recv(m_fd, &byte, 1, MSG_PEEK) == 0;
  }

 private:
  using Clock = std::chrono::steady_clock;
  static int Left(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
  }

  int m_fd = -1;
  FrameAssembler m_assembler;
};

// Starts the simulator with args and waits until it serves. Discovery stays off: outside a
// rig nothing may open UDP port 6000.
inline std::unique_ptr<ChildProcess> StartLoopbackSim(const std::string& address,
                                                      std::vector<std::string> args = {}) {
  std::vector<std::string> argv = {CALTRIM_ROBOT_SIM, "--address", address, "--no-discovery"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::unique_ptr<ChildProcess> sim = ChildProcess::Start(argv);
  if (sim && !sim->WaitForLine("READY", 5000)) return nullptr;
  return sim;
}

// How many output lines contain text, once count of them have come (or 2 s have passed): the
// child writes a line and acts, and its output reaches the test a moment later.
inline std::size_t SettledLines(ChildProcess* child, const std::string& text, std::size_t count) {
  child->WaitForLines(text, count, 2000);
  return child->LinesWith(text).size();
}
