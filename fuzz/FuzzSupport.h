#pragma once

// What the fuzz targets share: a check that stops the run where it fails, and a private folder
// for the targets whose input is a file the program reads from disk.

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fuzzsupport {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// A folder of this process's own, in memory where the system offers it (the targets write and
// sync a file for every input), removed with whatever is left in it when the process ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    pattern += "/caltrim-fuzz.XXXXXX";
    Check(::mkdtemp(pattern.data()) != nullptr);
    m_path = pattern;
  }
  ~ScratchFolder() {
    for (const std::string& name : Names()) std::remove((m_path + "/" + name).c_str());
    ::rmdir(m_path.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string File(const std::string& name) const { return m_path + "/" + name; }

  // Writes bytes as the file name; true when all of them went.
  bool Put(const std::string& name, const std::string& bytes) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
  }

  std::string Get(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // The names of the files in the folder.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(m_path.c_str())) {
      while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      ::closedir(dir);
    }
    return names;
  }

 private:
  std::string m_path;
};

}  // namespace fuzzsupport
