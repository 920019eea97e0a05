#include "session/SessionLog.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <log4cplus/config.hxx>
#include <log4cplus/fileappender.h>
#include <log4cplus/helpers/loglog.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>
#include <log4cplus/ndc.h>
#include <algorithm>
#include <memory>
#include <mutex>

#include "ZAVServoSocket.h"
#include "ZAVUIBase.h"

namespace servolink {

namespace {

constexpr long kMaxFileSize = 5120;
constexpr int kBackupFiles = 5;
constexpr char kPattern[] = "%D{%m/%d/%Y %H:%M:%S} - <%x>%m%n";

// log4cplus raises any maximum size below 200 KiB to 200 KiB; a session file rolls at 5120 bytes.
// The base is built with its minimum (so it has nothing to warn about) and the size the session
// asks for is put back into the field rollover() reads.
class SessionRollingFileAppender : public log4cplus::RollingFileAppender {
 public:
  SessionRollingFileAppender(const std::string& path, long maxFileSize, int backups)
      : RollingFileAppender(path, kLibraryMinimumSize, backups, /*immediateFlush=*/true,
                            /*createDirs=*/true) {
    this->maxFileSize = maxFileSize;
  }

 private:
  static constexpr long kLibraryMinimumSize = 200 * 1024;
};

// The folder of the program's records (its own folder, or the operator's state folder for an
// installed program) and the system's local time.
class SystemEnvironment : public ISessionLogEnvironment {
 public:
  std::wstring BaseFolder() override { return GetWritableFolder(ZAV_WRITABLE_STATE); }
  SessionLogTime Now() override {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
  }
};

std::mutex g_environmentLock;
ISessionLogEnvironment* g_environment = nullptr;
std::string g_tag;  // "_<tag>" after the time in the file name; empty: none

SessionLogTime Now(std::wstring* baseFolder, std::string* tag) {
  static SystemEnvironment system;
  std::lock_guard<std::mutex> hold(g_environmentLock);
  ISessionLogEnvironment* env = g_environment != nullptr ? g_environment : &system;
  *baseFolder = env->BaseFolder();
  *tag = g_tag;
  return env->Now();
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[256];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  return n < 0 ? std::string() : std::string(buffer, std::min<std::size_t>(n, sizeof buffer - 1));
}

// "<base>Log/Log2021-3-5/2021-3-5(9_7_4).log", or with a tag "...(9_7_4)_<tag>.log": every
// number without leading zeros.
std::string LogPath(const std::wstring& base, const SessionLogTime& t, const std::string& tag) {
  return ZAVNarrowToUtf8(base) + Format("Log/Log%d-%d-%d/%d-%d-%d(%d_%d_%d)", t.year, t.month, t.day,
                               t.year, t.month, t.day, t.hour, t.minute, t.second) +
         (tag.empty() ? "" : "_" + tag) + ".log";
}

// "(Type)0x0D * 0x00-0x03-0x00-0x5A-": the form of replies, and of any command whose size has no
// form of its own.
std::string ListedBytes(std::uint8_t type, const std::uint8_t* data, std::size_t size) {
  std::string line = Format("(Type)0x%02X * ", type);
  for (std::size_t i = 0; i < size; ++i) line += Format("0x%02X-", data[i]);
  return line;
}

std::string SendMessage(std::uint8_t type, const std::uint8_t* data, std::size_t size) {
  switch (size) {
    case 1:
      return Format("(Type)0x%02X * 0x%02X ", type, data[0]);
    case 3:
      return Format("(Type)0x%02X * 0x%02X-0x%02X-0x%02X", type, data[0], data[1], data[2]);
    case 5:
      return Format("(Type)0x%02X * 0x%02X-0x%02X-0x%02X-0x%02X-0x%02X ", type, data[0], data[1],
                    data[2], data[3], data[4]);
    default:
      return ListedBytes(type, data, size);
  }
}

// The final name: "_ID(<robot>)" before the last '.' of the file name. Empty when the file name
// has no '.'.
std::string FinalPath(const std::string& path, const std::string& robot) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(0, dot) + "_ID(" + robot + ")" + path.substr(dot);
}

// Moves from to to unless to already exists: a run started in the same second as an earlier,
// already renamed run must not overwrite that run's log, so its file keeps its first name.
void RenameKeepingExisting(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno != EINVAL && errno != ENOSYS) return;
  // A file system without RENAME_NOREPLACE: link fails when to exists.
  if (::link(from.c_str(), to.c_str()) == 0) ::unlink(from.c_str());
}

}  // namespace

void SetSessionLogEnvironment(ISessionLogEnvironment* env) {
  std::lock_guard<std::mutex> hold(g_environmentLock);
  g_environment = env;
}

void SetSessionLogTag(const std::string& tag) {
  // Nothing that makes a folder, hides the file or depends on the locale.
  std::string safe = tag;
  for (char& c : safe) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
    if (!plain) c = '_';
  }
  std::lock_guard<std::mutex> hold(g_environmentLock);
  g_tag = safe;
}

struct SessionLog::State {
  // Orders every line against Initial and Close, so "Connection is down!" is the last line of a
  // file and nothing is written between Close and the next Initial.
  mutable std::mutex lock;
  std::string path;  // empty while no file is open
  log4cplus::Logger logger = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("test.nie"));

  void Write(const char* context, const std::string& message) {
    log4cplus::NDC& ndc = log4cplus::getNDC();
    ndc.push(context);
    logger.log(log4cplus::DEBUG_LOG_LEVEL, message);
    ndc.pop();
  }
};

SessionLog::SessionLog() : m_state(new State) {}

SessionLog::~SessionLog() { delete m_state; }

bool SessionLog::Initial() {
  std::wstring base;
  std::string tag;
  const SessionLogTime start = Now(&base, &tag);
  std::lock_guard<std::mutex> hold(m_state->lock);
  m_state->path = LogPath(base, start, tag);

  // Restarting closes the file of an earlier run that was never closed.
  log4cplus::Logger::shutdown();
  log4cplus::initialize();
  // The library's own progress lines ("Just opened file", "Destroying appender") would reach the
  // console of every run; its errors (a file that cannot be made) still do.
  log4cplus::helpers::LogLog::getLogLog()->setInternalDebugging(false);

  log4cplus::SharedAppenderPtr appender(
      new SessionRollingFileAppender(m_state->path, kMaxFileSize, kBackupFiles));
  appender->setName(LOG4CPLUS_TEXT("First"));
  appender->setLayout(std::make_unique<log4cplus::PatternLayout>(kPattern));
  log4cplus::Logger::getRoot().addAppender(appender);

  log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("test"));
  m_state->logger = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("test.nie"));
  m_state->Write("Initial", "Initial!");
  return true;
}

bool SessionLog::IsOpen() const {
  std::lock_guard<std::mutex> hold(m_state->lock);
  return !m_state->path.empty();
}

std::string SessionLog::Path() const {
  std::lock_guard<std::mutex> hold(m_state->lock);
  return m_state->path;
}

void SessionLog::Connect(const char* message) {
  std::lock_guard<std::mutex> hold(m_state->lock);
  if (m_state->path.empty() || message == nullptr) return;
  m_state->Write("Connect", message);
}

void SessionLog::Send(std::uint8_t type, const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) size = 0;
  std::lock_guard<std::mutex> hold(m_state->lock);
  if (m_state->path.empty()) return;
  m_state->Write("Send", SendMessage(type, data, size));
}

void SessionLog::Recv(std::uint8_t type, const std::uint8_t* data, std::size_t size) {
  if (data == nullptr) size = 0;
  std::lock_guard<std::mutex> hold(m_state->lock);
  if (m_state->path.empty()) return;
  m_state->Write("Recv", ListedBytes(type, data, size));
}

void SessionLog::Dropped(std::size_t size) {
  std::lock_guard<std::mutex> hold(m_state->lock);
  if (m_state->path.empty()) return;
  m_state->Write("Recv", "Dropped a payload of " + std::to_string(size) + " bytes that does not decode");
}

void SessionLog::Close(const std::wstring& robotName) {
  std::lock_guard<std::mutex> hold(m_state->lock);
  if (m_state->path.empty()) return;
  m_state->Write("DisConnect", "Connection is down!");
  log4cplus::Logger::shutdown();
  if (!robotName.empty()) {
    const std::string finalPath = FinalPath(m_state->path, ZAVNarrowToUtf8(robotName));
    if (!finalPath.empty()) RenameKeepingExisting(m_state->path, finalPath);
  }
  m_state->path.clear();
}

}  // namespace servolink

void ZAVSetSessionLogTag(const char* tag) { servolink::SetSessionLogTag(tag != nullptr ? tag : ""); }
