#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A stand-in robot: a TCP server on one loopback address, port 6102, that records the bytes it
// receives and sends raw bytes the test gives it, whole or in pieces. It knows nothing of the
// link library. Tests side by side give each peer its own address.
class TestRobotPeer {
 public:
  static constexpr int kPort = 6102;

  struct Options {
    // Leaves connections waiting in a full accept queue: a connect to the peer neither completes
    // nor is refused (its SYNs are dropped) until ReleaseConnections().
    bool holdConnections = false;
    // SO_RCVBUF of accepted connections; 0 keeps the system's. A small buffer with reading
    // paused makes the session's sends stop part-way through a frame.
    int receiveBuffer = 0;
  };

  explicit TestRobotPeer(std::string address) : TestRobotPeer(std::move(address), Options()) {}
  TestRobotPeer(std::string address, Options options);
  ~TestRobotPeer();
  TestRobotPeer(const TestRobotPeer&) = delete;
  TestRobotPeer& operator=(const TestRobotPeer&) = delete;

  // False when the address could not be bound (a test then fails at once with a clear cause).
  bool IsListening() const { return m_listenFd >= 0; }
  const std::string& Address() const { return m_address; }
  // Starts accepting the connections that holdConnections kept waiting.
  void ReleaseConnections();

  // Connections accepted so far; the rest below is about the latest one.
  int Connections() const;
  bool WaitForConnections(int count, std::chrono::milliseconds limit) const;
  // Every byte received, and waits until there are at least size of them.
  std::string Received() const;
  bool WaitForReceived(std::size_t size, std::chrono::milliseconds limit) const;
  // Waits until the session closed the connection (the peer read the end of the stream).
  bool WaitForClosedBySession(std::chrono::milliseconds limit) const;
  // Paused, the session's bytes stay in the socket buffers.
  void SetReading(bool reading);

  // Sends whole when pieceSize is 0, else in pieces of pieceSize bytes, gap apart.
  bool Send(const std::string& bytes, std::size_t pieceSize = 0,
            std::chrono::milliseconds gap = std::chrono::milliseconds(3));
  // As a robot that goes away.
  void CloseConnection();

 private:
  struct Connection;

  void Run();
  void AcceptPending();
  void ReadFrom(Connection& connection);
  Connection* Latest() const;  // under m_mutex
  template <typename Predicate>
  bool WaitFor(std::chrono::milliseconds limit, Predicate predicate) const;

  const std::string m_address;
  int m_listenFd = -1;
  int m_filler = -1;      // a client socket that fills the accept queue while holding
  int m_fillerPort = -1;  // its local port, to tell it apart when accepted
  mutable std::mutex m_mutex;
  mutable std::condition_variable m_changed;
  std::vector<std::unique_ptr<Connection>> m_connections;
  bool m_holding;
  bool m_reading = true;
  bool m_stop = false;
  std::thread m_thread;
};
