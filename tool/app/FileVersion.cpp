#include "app/FileVersion.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "ZAVUIBase.h"
#include "app/VersionNote.h"

namespace {

// Bounds for what a sane header may ask us to read, so a damaged file cannot make us allocate
// without limit.
constexpr std::uint64_t kMaxNamesBytes = 16u << 20;
constexpr std::uint64_t kMaxNoteBytes = 64u << 10;

class File {
 public:
  explicit File(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat st {};
    if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode)) m_size = st.st_size;
  }
  ~File() {
    if (m_fd >= 0) ::close(m_fd);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads exactly size bytes at offset; false when they do not lie within the file.
  bool Read(std::uint64_t offset, void* out, std::uint64_t size) const {
    if (m_fd < 0 || offset > m_size || size > m_size - offset) return false;
    auto* bytes = static_cast<char*>(out);
    while (size > 0) {
      const ssize_t n = ::pread(m_fd, bytes, size, static_cast<off_t>(offset));
      if (n <= 0) return false;
      bytes += n;
      offset += static_cast<std::uint64_t>(n);
      size -= static_cast<std::uint64_t>(n);
    }
    return true;
  }

 private:
  int m_fd;
  std::uint64_t m_size = 0;
};

struct VersionWords {
  std::uint32_t ms;
  std::uint32_t ls;
};

std::uint64_t Align4(std::uint64_t n) { return (n + 3) & ~std::uint64_t{3}; }

// Walks the notes of one section's contents for the version note.
std::optional<VersionWords> FindVersionNote(const std::vector<char>& notes) {
  std::uint64_t at = 0;
  while (at + 12 <= notes.size()) {
    std::uint32_t header[3];
    std::memcpy(header, notes.data() + at, sizeof header);
    const std::uint64_t nameAt = at + 12;
    const std::uint64_t descAt = nameAt + Align4(header[0]);
    const std::uint64_t next = descAt + Align4(header[1]);
    if (next > notes.size()) return std::nullopt;
    const bool owner = header[0] == sizeof kVersionNoteOwner &&
                       std::memcmp(notes.data() + nameAt, kVersionNoteOwner, header[0]) == 0;
    if (owner && header[2] == kVersionNoteType && header[1] >= 8) {
      VersionWords words;
      std::memcpy(&words, notes.data() + descAt, sizeof words);
      return words;
    }
    at = next;
  }
  return std::nullopt;
}

// Finds the version section by name through the section header table of one ELF class.
template <typename Ehdr, typename Shdr>
std::optional<VersionWords> ReadVersion(const File& file) {
  Ehdr eh;
  if (!file.Read(0, &eh, sizeof eh) || eh.e_shoff == 0 || eh.e_shentsize != sizeof(Shdr)) {
    return std::nullopt;
  }
  auto section = [&](std::uint64_t index, Shdr* sh) {
    return file.Read(eh.e_shoff + index * sizeof(Shdr), sh, sizeof(Shdr));
  };
  // Files with very many sections keep the true count and names index in section 0.
  std::uint64_t count = eh.e_shnum;
  std::uint64_t namesIndex = eh.e_shstrndx;
  if (count == 0 || namesIndex == SHN_XINDEX) {
    Shdr first;
    if (!section(0, &first)) return std::nullopt;
    if (count == 0) count = first.sh_size;
    if (namesIndex == SHN_XINDEX) namesIndex = first.sh_link;
  }
  Shdr namesHeader;
  if (namesIndex >= count || !section(namesIndex, &namesHeader) ||
      namesHeader.sh_size > kMaxNamesBytes) {
    return std::nullopt;
  }
  std::vector<char> names(namesHeader.sh_size + 1, '\0');
  if (!file.Read(namesHeader.sh_offset, names.data(), namesHeader.sh_size)) return std::nullopt;

  for (std::uint64_t i = 0; i < count; ++i) {
    Shdr sh;
    if (!section(i, &sh)) return std::nullopt;
    if (sh.sh_name >= namesHeader.sh_size ||
        std::strcmp(names.data() + sh.sh_name, kVersionNoteSection) != 0) {
      continue;
    }
    if (sh.sh_type == SHT_NOBITS || sh.sh_size > kMaxNoteBytes) return std::nullopt;
    std::vector<char> notes(sh.sh_size);
    if (!file.Read(sh.sh_offset, notes.data(), sh.sh_size)) return std::nullopt;
    return FindVersionNote(notes);
  }
  return std::nullopt;
}

std::optional<VersionWords> ReadVersion(const std::string& path) {
  const File file(path);
  unsigned char ident[EI_NIDENT];
  if (!file.Read(0, ident, sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0 ||
      ident[EI_DATA] != ELFDATA2LSB) {
    return std::nullopt;
  }
  if (ident[EI_CLASS] == ELFCLASS64) return ReadVersion<Elf64_Ehdr, Elf64_Shdr>(file);
  if (ident[EI_CLASS] == ELFCLASS32) return ReadVersion<Elf32_Ehdr, Elf32_Shdr>(file);
  return std::nullopt;
}

}  // namespace

std::wstring GetFileVersionText(const std::wstring& path) {
  if (path.empty()) return L"0.0.0.0";
  const std::optional<VersionWords> words =
      ReadVersion(ZAVNarrowToUtf8(path));
  if (!words) return L"0.0.0.0";
  return std::to_wstring(words->ms >> 16) + L'.' + std::to_wstring(words->ms & 0xFFFF) + L'.' +
         std::to_wstring(words->ls >> 16) + L'.' + std::to_wstring(words->ls & 0xFFFF);
}

std::wstring RunningExecutablePath() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::wstring();
  return ZAVWidenUtf8(exe.string());
}
