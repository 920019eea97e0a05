#include <unistd.h>

#include <algorithm>
#include <string>

#include "Utf8.h"
#include "ZAVUIBase.h"

namespace {

// The folder of the running executable with a trailing '/', or "./" when the link cannot be
// read (a process whose executable was deleted still resolves, with a " (deleted)" suffix on the
// file name only).
std::string ExeFolder() {
  std::string path(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return "./";
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

}  // namespace

std::wstring ZAVExeFolderFile(const wchar_t* name) {
  std::wstring result = zavuibase::Utf8ToWide(ExeFolder());
  if (name != nullptr) result += name;
  return result;
}

void GetFileNameFromExePath(const wchar_t* name, wchar_t* out, std::size_t capacity) {
  if (out == nullptr || capacity == 0) return;
  const std::wstring result = ZAVExeFolderFile(name);
  const std::size_t count = std::min(result.size(), capacity - 1);
  std::copy_n(result.data(), count, out);
  out[count] = L'\0';
}
