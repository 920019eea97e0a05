#include "cli/BackupTarget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kTemporarySuffix[] = ".part";

// The mode a new file gets from the umask, where mkstemps makes it private (0600). The umask can
// only be read by setting it; nothing else of this program creates files meanwhile.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Makes the rename itself survive a power cut.
void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// 0, or the errno of the write that failed.
int WriteAll(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

BackupTarget::~BackupTarget() {
  if (m_fd >= 0) ::close(m_fd);
  if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
}

bool BackupTarget::Open(std::string* error) {
  if (m_path == "-") return true;
  struct stat target {};
  // The rename at the end would fail over a folder, after the robot was read.
  if (!IsFolder(m_path) && ::stat(m_path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
    return Fail(EISDIR, error);
  }
  std::string name = m_path + (IsFolder(m_path) ? ".backup" : "") + ".XXXXXX" + kTemporarySuffix;
  m_fd = ::mkostemps(name.data(), sizeof kTemporarySuffix - 1, O_CLOEXEC);
  if (m_fd < 0) return Fail(errno, error);
  m_temporary = name;
  if (::fchmod(m_fd, NewFileMode()) != 0) return Fail(errno, error);
  return true;
}

bool BackupTarget::FileInFolder(const std::string& folder, const std::string& serial, std::string* path,
                                std::string* error) {
  const bool plain = !serial.empty() && serial.front() != '.' &&
                     std::none_of(serial.begin(), serial.end(), [](char c) {
                       return c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
                     });
  if (!plain) {
    *error = "the serial number \"" + serial + "\" cannot name a file in " + folder;
    return false;
  }
  *path = folder + serial + ".json";
  return true;
}

bool BackupTarget::NameAfter(const std::string& serial, std::string* error) {
  return !IsFolder(m_path) || FileInFolder(m_path, serial, &m_path, error);
}

bool BackupTarget::Commit(const std::string& text, std::string* error) {
  if (m_path == "-") {
    const int failure = WriteAll(m_outputFd, text);
    if (failure != 0) *error = std::string("cannot write the backup to standard output: ") + std::strerror(failure);
    return failure == 0;
  }
  if (int failure = WriteAll(m_fd, text); failure != 0) return Fail(failure, error);
  if (::fsync(m_fd) != 0) return Fail(errno, error);
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) return Fail(errno, error);
  if (::rename(m_temporary.c_str(), m_path.c_str()) != 0) return Fail(errno, error);
  m_temporary.clear();
  SyncFolderOf(m_path);
  return true;
}

bool BackupTarget::Fail(int failure, std::string* error) {
  *error = "cannot write " + m_path + ": " + std::strerror(failure);
  return false;
}
