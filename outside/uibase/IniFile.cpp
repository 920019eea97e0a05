#include "IniFile.h"

#include <SimpleIni.h>

#include <cerrno>
#include <cstring>

#include "AtomicFile.h"
#include "TextEncoding.h"

namespace zavuibase {

struct IniFile::Impl {
  // CSimpleIniA compares names with SI_NoCase, the case-insensitive comparison ini users expect.
  CSimpleIniA ini{/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false};
  TextForm form;  // the file's encoding and line ends, kept for the rewrite
};

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

}  // namespace

IniFile::IniFile() : m_impl(std::make_unique<Impl>()) {
  m_impl->ini.SetSpaces(false);  // "key=value", as ini files written on the robot's home platform
}

IniFile::~IniFile() = default;

IniFile::LoadResult IniFile::Load(const std::string& path) {
  m_impl->ini.Reset();
  m_impl->form = TextForm();
  std::string bytes;
  if (!ReadFileContents(path, &bytes)) {
    return errno == ENOENT ? LoadResult::kMissing : LoadResult::kFailed;
  }
  std::string content;
  if (!DecodeText(bytes, &content, &m_impl->form) || m_impl->ini.LoadData(content) < 0 ||
      HasSectionAcrossLines(m_impl->ini)) {
    m_impl->ini.Reset();
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
  // SimpleIni drops the lines it cannot read (a key without "="); the bytes after such a line
  // may then open the file and read as a byte-order mark. What is written must read back in the
  // encoding it was read in.
  std::string text;
  TextForm form;
  if (!DecodeText(bytes, &text, &form) || form.encoding != m_impl->form.encoding) return false;
  return ReplaceFileContents(path, bytes);
}

}  // namespace zavuibase
