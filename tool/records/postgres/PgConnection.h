#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

struct PgResultDeleter {
  void operator()(pg_result* result) const;
};
using PgResult = std::unique_ptr<pg_result, PgResultDeleter>;

// One libpq connection driven without blocking: every wait (connecting, sending, the answer) is
// bounded by the time-out and ends at once when Interrupt is called, so the thread that sends
// records can always be stopped. A failure closes the connection; the next call makes a new one.
class PgConnection {
 public:
  using Params = std::vector<std::optional<std::string>>;  // text values; nothing is NULL

  PgConnection(std::string url, std::chrono::milliseconds timeout);
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  bool Connected() const { return m_conn != nullptr; }
  // Connects (client encoding UTF-8). False with *error.
  bool Connect(std::string* error);
  // Runs sql: with params one statement, without them any number (the last one's result is
  // returned). Null with *error when anything failed; the connection is closed then.
  PgResult Exec(const std::string& sql, const Params& params, std::string* error);
  void Close();
  // From any thread: ends the wait under way and every later one.
  void Interrupt();

 private:
  using Deadline = std::chrono::steady_clock::time_point;
  // Waits until the connection's socket is ready for events (POLLIN / POLLOUT). False with *error
  // at the deadline or an interrupt.
  bool WaitForSocket(short events, Deadline deadline, std::string* error);
  bool SendAndFlush(const std::string& sql, const Params& params, Deadline deadline, std::string* error);
  PgResult Collect(Deadline deadline, std::string* error);
  // Closes the connection and returns false with *error = what, and libpq's reason when there is one.
  bool Fail(const std::string& what, std::string* error);
  bool Interrupted() const;

  const std::string m_url;
  const std::chrono::milliseconds m_timeout;
  pg_conn* m_conn = nullptr;
  int m_interrupt = -1;  // an eventfd: readable once Interrupt was called
};
