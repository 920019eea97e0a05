#pragma once

#include <cstdint>

// The program's file version travels inside the executable as an ELF note, so that it can be
// read from the file alone, as a version resource is read on other platforms. The note's layout
// is fixed: the standard note header, the owner name "Caltrim" and two 32-bit words laid out as a
// fixed file version (major << 16 | minor, build << 16 | revision), in the file's byte order.

inline constexpr char kVersionNoteSection[] = ".note.caltrim.version";
inline constexpr char kVersionNoteOwner[] = "Caltrim";  // 8 bytes with the terminator
inline constexpr std::uint32_t kVersionNoteType = 1;

struct VersionNote {
  std::uint32_t namesz;  // sizeof kVersionNoteOwner
  std::uint32_t descsz;  // 8: the two version words
  std::uint32_t type;    // kVersionNoteType
  char name[sizeof kVersionNoteOwner];
  std::uint32_t fileVersionMS;
  std::uint32_t fileVersionLS;
};

static_assert(sizeof(VersionNote) == 28, "the note's layout is read back byte for byte");
