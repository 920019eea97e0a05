// Every key the program looks up must have a text in each language of the shipped strings.xml.

#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "app/CLanguageStringTable.h"
#include "app/LanguageSetting.h"
#include "outside/uibase/TempFolder.h"

namespace {

const std::string kStringsXml = CALTRIM_SOURCE_DIR "/tool/resources/strings.xml";

// Each match of pattern's first group in the file at path, mapped to where it was found.
void Collect(const std::regex& pattern, const std::filesystem::path& path,
             std::map<std::string, std::string>* found) {
  const std::string text = TempFolder::Read(path.string());
  for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) {
    found->emplace((*it)[1].str(), path.filename().string());
  }
}

// The keys the program's sources look up: arguments of T("...") and language_loadstringa("..."),
// and any string literal shaped like a key (keys handed to helpers such as a status display).
std::map<std::string, std::string> KeysInSources() {
  static const std::regex lookup(R"re((?:\bT|language_loadstringa)\s*\(\s*"([^"]*)")re");
  static const std::regex keyLiteral(R"re("((?:AFX_)?IDS?_[A-Z0-9_]+|IDOK|IDCANCEL)")re");
  std::map<std::string, std::string> keys;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(CALTRIM_SOURCE_DIR "/tool")) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    Collect(lookup, entry.path(), &keys);
    Collect(keyLiteral, entry.path(), &keys);
  }
  return keys;
}

std::wstring Wide(const std::string& key) { return std::wstring(key.begin(), key.end()); }

TEST(StringKeysTest, EveryKeyTheProgramLooksUpHasTextsInBothLanguages) {
  const std::map<std::string, std::string> keys = KeysInSources();
  ASSERT_FALSE(keys.empty());
  for (const int language : {kLanguageChinese, kLanguageEnglish}) {
    const CLanguageStringTable table(language, std::filesystem::path(kStringsXml).wstring());
    for (const auto& [key, file] : keys) {
      std::wstring text;
      EXPECT_TRUE(table.Lookup(Wide(key), &text) && !text.empty())
          << key << " (used in " << file << ") has no text for language " << language;
    }
  }
}

}  // namespace
