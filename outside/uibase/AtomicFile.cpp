#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace zavuibase {
namespace {

bool WriteAll(int fd, const std::string& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A new temporary file beside path, made with the usual mode (0666 less the umask); it must be
// in the same folder so the rename never crosses file systems.
int CreateTemporary(const std::string& path, std::string* tempPath) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    *tempPath = path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    const int fd = ::open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Makes the rename itself survive a power cut; a failure here does not undo the replacement.
void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool ReplaceFileContents(const std::string& path, const std::string& content,
                         RenameFunction renameStep) {
  if (renameStep == nullptr) renameStep = &std::rename;
  std::string tempPath;
  const int fd = CreateTemporary(path, &tempPath);
  if (fd < 0) return false;
  struct stat old {};
  const bool ok = (::stat(path.c_str(), &old) != 0 || ::fchmod(fd, old.st_mode & 07777) == 0) &&
                  WriteAll(fd, content) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (ok && closed && renameStep(tempPath.c_str(), path.c_str()) == 0) {
    SyncFolderOf(path);
    return true;
  }
  ::unlink(tempPath.c_str());
  return false;
}

bool ReadFileContents(const std::string& path, std::string* content) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  content->clear();
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content->append(buffer, n);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

}  // namespace zavuibase
