#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A stand-in HTTP server that knows no HTTP library: it listens on 127.0.0.1 (a free port),
// records each request's bytes exactly as they arrived, and answers every request with the
// same raw bytes. With hold set it then keeps the connection open until the client closes it,
// so an answer can stop part-way (or never start, with empty bytes).
class RawHttpPeer {
 public:
  RawHttpPeer(std::string response, bool hold = false);
  ~RawHttpPeer();
  RawHttpPeer(const RawHttpPeer&) = delete;
  RawHttpPeer& operator=(const RawHttpPeer&) = delete;

  int Port() const { return m_port; }
  std::string Url(const std::string& path = "") const;
  // The requests received so far (header and body, as far as Content-Length goes).
  std::vector<std::string> Requests();

 private:
  void Run();
  void Serve(int fd);

  const std::string m_response;
  const bool m_hold;
  int m_listenFd = -1;
  int m_port = 0;
  std::mutex m_mutex;
  std::vector<std::string> m_requests;
  bool m_stop = false;
  std::thread m_thread;
};

// An HTTP/1.1 answer with status and body (Content-Length set, connection closed).
std::string HttpResponse(int status, const std::string& body);
