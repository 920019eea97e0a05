#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// A stand-in robot: a TCP server on one loopback address, port 6102, that records the bytes it
// receives and sends the raw bytes a test gives it. It knows nothing of the link library.
class TestRobotPeer {
 public:
  static constexpr int kPort = 6102;

  // holdConnections: connections wait in a full accept queue (their SYNs dropped) until
  // ReleaseConnections(). receiveBuffer: SO_RCVBUF of accepted connections (0: the system's);
  // small, with reading paused, it makes the session's sends stop part-way through a frame.
  explicit TestRobotPeer(std::string address, bool holdConnections = false, int receiveBuffer = 0);
  ~TestRobotPeer();
  TestRobotPeer(const TestRobotPeer&) = delete;
  TestRobotPeer& operator=(const TestRobotPeer&) = delete;

  bool IsListening() const { return m_listenFd >= 0; }
  const std::string& Address() const { return m_address; }
  void ReleaseConnections();

  // Connections accepted so far; everything else is about the latest one.
  int Connections() const;
  bool WaitForConnections(int count, std::chrono::milliseconds limit) const;
  std::string Received() const;
  bool WaitForReceived(std::size_t size, std::chrono::milliseconds limit) const;
  // Waits until the session closed the connection (the peer read the end of the stream).
  bool WaitForClosedBySession(std::chrono::milliseconds limit) const;
  // Paused, the session's bytes stay in the socket buffers.
  void SetReading(bool reading);
  // Sends whole when pieceSize is 0, else in pieces of pieceSize bytes a few milliseconds apart.
  bool Send(const std::string& bytes, std::size_t pieceSize = 0);
  // As a robot that goes away.
  void CloseConnection();

 private:
  void Run();
  void Accept();
  void Read();
  template <typename Predicate>
  bool WaitFor(std::chrono::milliseconds limit, Predicate predicate) const {
    std::unique_lock<std::mutex> hold(m_mutex);
    return m_changed.wait_for(hold, limit, predicate);
  }

  const std::string m_address;
  int m_listenFd = -1;
  int m_filler = -1;      // a client socket that fills the accept queue while holding
  int m_fillerPort = -1;  // its local port, to tell it apart when accepted
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_changed;
  // The latest connection; an earlier one is closed when the next is accepted.
  int m_fd = -1;
  int m_connections = 0;
  std::string m_received;
  bool m_closedBySession = false;
  bool m_closedHere = false;
  bool m_holding;
  bool m_reading = true;
  bool m_stop = false;
  std::thread m_thread;
};
