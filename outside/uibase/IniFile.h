#pragma once

#include <memory>
#include <string>

namespace zavuibase {

// One ini file held in memory through SimpleIni. Section and key names are matched without
// regard to ASCII case; texts are UTF-8 in memory, and the file keeps the encoding and line ends
// it was found in (see TextEncoding.h). Saving keeps comments, the order of sections and keys
// and every entry it was not asked to change (SimpleIni writes its own layout: "key=value" and
// blank lines between sections).
class IniFile {
 public:
  IniFile();
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  enum class LoadResult { kLoaded, kMissing, kFailed };

  // Reads path. kMissing (and an empty file in memory) when there is no such file; kFailed when
  // it exists but cannot be read, is no text or cannot be parsed, in which case it must not be
  // overwritten.
  LoadResult Load(const std::string& path);

  // The value under section/key, or nullptr when either is missing.
  const char* Get(const std::string& section, const std::string& key) const;

  // Sets section/key to value, adding the section and the key when missing.
  bool Set(const std::string& section, const std::string& key, const std::string& value);

  // Writes the file back to path through ReplaceFileContents.
  bool Save(const std::string& path) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

}  // namespace zavuibase
