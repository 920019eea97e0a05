#include "records/postgres/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

void PgResultDeleter::operator()(pg_result* result) const { PQclear(result); }

namespace {

// libpq's messages end with a line break.
std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

PgConnection::PgConnection(std::string url, std::chrono::milliseconds timeout)
    : m_url(std::move(url)), m_timeout(timeout), m_interrupt(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

PgConnection::~PgConnection() {
  Close();
  if (m_interrupt >= 0) ::close(m_interrupt);
}

void PgConnection::Close() {
  PQfinish(m_conn);
  m_conn = nullptr;
}

void PgConnection::Interrupt() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(m_interrupt, &one, sizeof one);
}

bool PgConnection::Fail(const std::string& what, std::string* error) {
  const std::string reason = m_conn ? Trimmed(PQerrorMessage(m_conn)) : std::string();
  *error = "records server: " + what + (reason.empty() ? "" : ": " + reason);
  Close();
  return false;
}

bool PgConnection::WaitForSocket(short events, Deadline deadline, std::string* error) {
  for (;;) {
    pollfd fds[2] = {{PQsocket(m_conn), events, 0}, {m_interrupt, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      *error = "records server: no answer within " + std::to_string(m_timeout.count()) + " ms";
      Close();
      return false;
    }
    const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return Fail("waiting for the link", error);
    if (fds[1].revents != 0) {
      *error = "records server: closed while waiting for it";
      Close();
      return false;
    }
    if (ready > 0 && fds[0].revents != 0) return true;
  }
}

bool PgConnection::Interrupted() const {
  pollfd interrupt{m_interrupt, POLLIN, 0};
  return ::poll(&interrupt, 1, 0) > 0;
}

bool PgConnection::Connect(std::string* error) {
  if (m_conn) return true;
  if (Interrupted()) {  // not even the host name is looked up any more
    *error = "records server: closed";
    return false;
  }
  const Deadline deadline = std::chrono::steady_clock::now() + m_timeout;
  // The URL expands in place of dbname; the keywords after it hold whatever it says.
  const char* keywords[] = {"dbname", "client_encoding", "application_name", nullptr};
  const char* values[] = {m_url.c_str(), "UTF8", "caltrim", nullptr};
  m_conn = PQconnectStartParams(keywords, values, 1);
  if (!m_conn || PQstatus(m_conn) == CONNECTION_BAD) return Fail("cannot connect", error);
  // The server's notices ("relation ... already exists, skipping") are not for the operator;
  // libpq would print them on standard error.
  PQsetNoticeProcessor(m_conn, [](void*, const char*) {}, nullptr);
  PostgresPollingStatusType state = PGRES_POLLING_WRITING;
  while (state != PGRES_POLLING_OK) {
    if (state == PGRES_POLLING_FAILED) return Fail("cannot connect", error);
    if (!WaitForSocket(state == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline, error)) return false;
    state = PQconnectPoll(m_conn);
  }
  if (PQsetnonblocking(m_conn, 1) != 0) return Fail("cannot connect", error);
  return true;
}

bool PgConnection::SendAndFlush(const std::string& sql, const Params& params, Deadline deadline,
                                std::string* error) {
  std::vector<const char*> values;
  for (const std::optional<std::string>& param : params) values.push_back(param ? param->c_str() : nullptr);
  const int queued = params.empty() ? PQsendQuery(m_conn, sql.c_str())
                                    : PQsendQueryParams(m_conn, sql.c_str(), static_cast<int>(values.size()),
                                                        nullptr, values.data(), nullptr, nullptr, 0);
  if (!queued) return Fail("cannot send", error);
  for (int pending; (pending = PQflush(m_conn)) != 0;) {
    if (pending < 0) return Fail("cannot send", error);
    if (!WaitForSocket(POLLIN | POLLOUT, deadline, error)) return false;
    if (!PQconsumeInput(m_conn)) return Fail("cannot send", error);
  }
  return true;
}

PgResult PgConnection::Collect(Deadline deadline, std::string* error) {
  PgResult last;
  std::string failure;
  for (;;) {
    while (PQisBusy(m_conn)) {
      if (!WaitForSocket(POLLIN, deadline, error)) return nullptr;
      if (!PQconsumeInput(m_conn)) {
        Fail("link lost", error);
        return nullptr;
      }
    }
    PgResult next(PQgetResult(m_conn));
    if (!next) break;
    const ExecStatusType status = PQresultStatus(next.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && failure.empty()) {
      failure = Trimmed(PQresultErrorMessage(next.get()));
    }
    last = std::move(next);
  }
  if (failure.empty() && last) return last;
  *error = "records server: " + (failure.empty() ? std::string("no result") : failure);
  Close();
  return nullptr;
}

PgResult PgConnection::Exec(const std::string& sql, const Params& params, std::string* error) {
  if (!Connect(error)) return nullptr;
  const Deadline deadline = std::chrono::steady_clock::now() + m_timeout;
  if (!SendAndFlush(sql, params, deadline, error)) return nullptr;
  return Collect(deadline, error);
}
