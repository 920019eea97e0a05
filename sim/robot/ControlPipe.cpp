#include "sim/robot/ControlPipe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

ControlPipe::~ControlPipe() {
  if (m_fd >= 0) ::close(m_fd);
}

bool ControlPipe::Open(const std::string& path, std::string* error) {
  if (::mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST) {
    *error = "control " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISFIFO(status.st_mode)) {
    *error = "control " + path + ": not a named pipe";
    return false;
  }
  // Open for writing too: with no other writer left, a reader would see the end at every poll.
  m_fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (m_fd < 0) {
    *error = "control " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void ControlPipe::AddPollFds(std::vector<pollfd>* fds) const {
  if (m_fd >= 0) fds->push_back(pollfd{m_fd, POLLIN, 0});
}

std::vector<std::string> ControlPipe::ReadLines(const std::vector<pollfd>& fds) {
  std::vector<std::string> lines;
  bool readable = false;
  for (const pollfd& fd : fds) readable |= fd.fd == m_fd && (fd.revents & POLLIN) != 0;
  if (!readable) return lines;
  char buffer[1024];
  ssize_t got;
  while ((got = ::read(m_fd, buffer, sizeof buffer)) > 0) {
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] == '\n') {
        if (!m_dropping) lines.push_back(m_partial);
        m_partial.clear();
        m_dropping = false;
      } else if (m_partial.size() < kMaxLine) {
        m_partial += buffer[i];
      } else {
        m_partial.clear();
        m_dropping = true;
      }
    }
  }
  return lines;
}
