#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "IniFile.h"
#include "Utf8.h"
#include "ZAVUIBase.h"

namespace {

std::string Narrow(const wchar_t* text) {
  return text == nullptr ? std::string() : zavuibase::WideToUtf8(text);
}

// Serialises read-modify-write cycles of this process, so two threads writing different keys of
// one file do not lose each other's change.
std::mutex& IniLock() {
  static std::mutex lock;
  return lock;
}

// Whole-text decimal integer (leading blanks and a sign allowed), as an int.
bool ParseInt(const char* text, int* value) {
  if (text == nullptr) return false;
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return false;
  *value = static_cast<int>(parsed);
  return true;
}

}  // namespace

int ReadIniInt(const wchar_t* section, const wchar_t* key, int def, const wchar_t* path) {
  std::lock_guard<std::mutex> hold(IniLock());
  zavuibase::IniFile ini;
  if (ini.Load(Narrow(path)) != zavuibase::IniFile::LoadResult::kLoaded) return def;
  int value = def;
  return ParseInt(ini.Get(Narrow(section), Narrow(key)), &value) ? value : def;
}

bool WriteIniInt(const wchar_t* section, const wchar_t* key, int value, const wchar_t* path) {
  if (section == nullptr || key == nullptr || path == nullptr) return false;
  std::lock_guard<std::mutex> hold(IniLock());
  const std::string file = Narrow(path);
  zavuibase::IniFile ini;
  // A file that exists but cannot be read is left alone rather than replaced by one key.
  if (ini.Load(file) == zavuibase::IniFile::LoadResult::kFailed) return false;
  return ini.Set(Narrow(section), Narrow(key), std::to_string(value)) && ini.Save(file);
}

std::wstring ReadIniString(const wchar_t* section, const wchar_t* key, const wchar_t* def,
                           const wchar_t* path) {
  std::lock_guard<std::mutex> hold(IniLock());
  zavuibase::IniFile ini;
  const char* value = nullptr;
  if (ini.Load(Narrow(path)) == zavuibase::IniFile::LoadResult::kLoaded) {
    value = ini.Get(Narrow(section), Narrow(key));
  }
  if (value != nullptr) return zavuibase::Utf8ToWide(value);
  return def == nullptr ? std::wstring() : std::wstring(def);
}
