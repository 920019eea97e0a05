#include "IniFile.h"

#include <SimpleIni.h>

#include <cerrno>
#include <cstring>

#include "AtomicFile.h"
#include "TextEncoding.h"

namespace zavuibase {

namespace {

// SimpleIni skips a "[section" line that lacks its "]" but keeps the name it began, so the keys
// after it land in a section whose name runs across the line end; written back, that name shifts
// the file and grows it by a line at every write. Such a file cannot be read as it stands.
bool HasSectionAcrossLines(const CSimpleIniA& ini) {
  CSimpleIniA::TNamesDepend sections;
  ini.GetAllSections(sections);
  for (const CSimpleIniA::Entry& section : sections) {
    if (std::strpbrk(section.pItem, "\r\n") != nullptr) return true;
  }
  return false;
}

// Whether b holds exactly the sections, keys and values of a.
bool SameEntries(const CSimpleIniA& a, const CSimpleIniA& b) {
  CSimpleIniA::TNamesDepend sections;
  CSimpleIniA::TNamesDepend otherSections;
  a.GetAllSections(sections);
  b.GetAllSections(otherSections);
  if (sections.size() != otherSections.size()) return false;
  for (const CSimpleIniA::Entry& section : sections) {
    const CSimpleIniA::TKeyVal* keys = a.GetSection(section.pItem);
    const CSimpleIniA::TKeyVal* otherKeys = b.GetSection(section.pItem);
    if (otherKeys == nullptr || otherKeys->size() != keys->size()) return false;
    for (const auto& [key, value] : *keys) {
      const char* otherValue = b.GetValue(section.pItem, key.pItem, nullptr);
      if (otherValue == nullptr || std::strcmp(otherValue, value) != 0) return false;
    }
  }
  return true;
}

}  // namespace

struct IniFile::Impl {
  // CSimpleIniA compares names with SI_NoCase, the case-insensitive comparison ini users expect.
  CSimpleIniA ini{/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false};
  TextForm form;  // the file's encoding and line ends, kept for the rewrite

  Impl() { ini.SetSpaces(false); }  // "key=value", as ini files written on the robot's home platform

  // Takes the entries and the form from a file's bytes; false when they are no text or cannot be
  // read as an ini file.
  bool Parse(const std::string& bytes) {
    std::string content;
    return DecodeText(bytes, &content, &form) && ini.LoadData(content) >= 0 &&
           !HasSectionAcrossLines(ini);
  }
};

IniFile::IniFile() : m_impl(std::make_unique<Impl>()) {}

IniFile::~IniFile() = default;

IniFile::LoadResult IniFile::Load(const std::string& path) {
  m_impl = std::make_unique<Impl>();
  std::string bytes;
  if (!ReadFileContents(path, &bytes)) {
    return errno == ENOENT ? LoadResult::kMissing : LoadResult::kFailed;
  }
  if (!m_impl->Parse(bytes)) {
    m_impl = std::make_unique<Impl>();
    return LoadResult::kFailed;
  }
  return LoadResult::kLoaded;
}

const char* IniFile::Get(const std::string& section, const std::string& key) const {
  return m_impl->ini.GetValue(section.c_str(), key.c_str(), nullptr);
}

bool IniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  return m_impl->ini.SetValue(section.c_str(), key.c_str(), value.c_str()) >= 0;
}

bool IniFile::Save(const std::string& path) const {
  std::string content;
  if (m_impl->ini.Save(content) < 0) return false;
  const std::string bytes = EncodeText(content, m_impl->form);
  // SimpleIni drops the lines it cannot read (a key without "="), and what followed such a line
  // may then read otherwise: the bytes of a byte-order mark opening the file, say. The bytes are
  // written only when they read back in the same encoding with the same entries.
  Impl readBack;
  if (!readBack.Parse(bytes) || readBack.form.encoding != m_impl->form.encoding ||
      !SameEntries(m_impl->ini, readBack.ini)) {
    return false;
  }
  return ReplaceFileContents(path, bytes);
}

}  // namespace zavuibase
