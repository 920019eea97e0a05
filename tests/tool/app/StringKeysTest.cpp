// Every key the program looks up must have a text in each language of the shipped strings.xml.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "app/CLanguageStringTable.h"
#include "app/LanguageSetting.h"
#include "tool/app/TempFolder.h"

namespace {

const std::wstring kStrings = std::filesystem::path(CALTRIM_SOURCE_DIR "/tool/resources/strings.xml").wstring();

// The keys the program's sources look up: arguments of T("...") and language_loadstringa("..."),
// and any string literal shaped like a key (keys handed to helpers such as a status display).
std::map<std::string, std::string> KeysInSources() {
  static const std::regex lookup(R"re((?:\bT|language_loadstringa)\s*\(\s*"([^"]*)")re");
  static const std::regex keyLiteral(R"re("((?:AFX_)?IDS?_[A-Z0-9_]+|IDOK|IDCANCEL)")re");
  std::map<std::string, std::string> keys;  // key -> a file that uses it
  const std::filesystem::path root = CALTRIM_SOURCE_DIR "/tool";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    const std::string source = TempFolder::Read(entry.path().string());
    for (const std::regex* pattern : {&lookup, &keyLiteral}) {
      for (std::sregex_iterator it(source.begin(), source.end(), *pattern), end; it != end; ++it) {
        keys.emplace((*it)[1].str(), std::filesystem::relative(entry.path(), root).string());
      }
    }
  }
  return keys;
}

// The vocabulary the program is built around: one STRING per key in strings.xml.
const char* const kVocabulary[] = {
    "AFX_IDS_APP_TITLE", "IDCANCEL", "IDOK", "IDS_ABOUT", "IDS_ABOUT_CALTRIM", "IDS_ALL_SELECT",
    "IDS_VORLA_CALIBRATION_SOFTWARE", "IDS_AUTHENTICATION_FAILED_TIPS",
    "IDS_AVAILABLE_CURRENT_CONNECTION", "IDS_BE_OCCUPIED_TIPS", "IDS_CALIBRATE_ANGLE_OFFSET",
    "IDS_CALIBRATION", "IDS_CHECK_ENGINE_SUCCESS", "IDS_CONNECT_DISCONNECTED", "IDS_CONNECT_FAIL",
    "IDS_CONNECT_ROBOT", "IDS_CONNECT_ROBOT_SUCCESS", "IDS_CONNECT_TO_ROBOT",
    "IDS_CORRECTING_STEERING_ANGLE", "IDS_DEVICE_IP_ADDRESS", "IDS_DEVICE_NAME",
    "IDS_DEVICE_SCAN_TIPS", "IDS_DISCONNECT", "IDS_DISCONNECTED", "IDS_DISCONNECT_FROM_ROBOT",
    "IDS_DISCONNECT_ROBOT", "IDS_EXIT", "IDS_EXITING_PROGRAM", "IDS_EXIT_PROGRAM",
    "IDS_FAILED_GET_BLUETOOTH_MAC_TIPS", "IDS_FAILED_GET_SERIAL_TIPS", "IDS_FAILED_SET_SERIAL_TIPS",
    "IDS_FAILED_UPDATE_SERIAL_TIPS", "IDS_FORMAT_ERROR_TIPS", "IDS_INITIALIZING_PROGRAM",
    "IDS_INVALID_SOCKET_TIPS", "IDS_IP_ADDRESS", "IDS_LANGUAGE_SETTING", "IDS_MAC_ADDRESS",
    "IDS_NON_EXISTENT_TIPS", "IDS_NO_USB_TIPS", "IDS_OPERATION_TIMEOUT_TIPS", "IDS_PORT_NUMBER",
    "IDS_READY", "IDS_READ_ANGLE", "IDS_READ_CHECK", "IDS_READ_CURRENT_ANGLE",
    "IDS_READ_CURRENT_CALIBRATION_VALUE", "IDS_READ_SN", "IDS_READ_WRITE_SERRIAL", "IDS_REFRESH",
    "IDS_RESET", "IDS_ROBOT_RESET", "IDS_SELECT_LINE_TIPS", "IDS_SELECT_STEERING_CORRECTION",
    "IDS_SERIAL_NUMBER", "IDS_SERVER_CLOSE_SUCCESS", "IDS_SERVER_RUN_SUCCESS", "IDS_SET_SN",
    "IDS_STATE_DISCONNECT", "IDS_SURE_CHS", "IDS_SURE_ENG", "IDS_SURE_LANGUAGE",
    "IDS_SURE_RESTARTAPPLY", "IDS_TESTED_VORLA_ERROR", "IDS_TESTED_VORLA_ROBOT",
    "IDS_TESTED_USB_INSERT", "IDS_TESTED_USB_PULLED", "IDS_TIPS", "IDS_NORVIK_COPY_RIGHT",
    "IDS_UNSELECTED_DEVICE_TIPS", "IDS_UPDATE_SERIAL_ERROR_TIPS", "IDS_UPDATE_SERIAL_SUCCESS_TIPS",
    "IDS_USB_CONNECT", "IDS_USB_CONNECT_ROBOT", "IDS_USB_CONNECT_ROBOT_SUCCESS",
    "IDS_USB_CONNECT_SUCCESS_TIP", "IDS_USB_DEVICE", "IDS_USB_EXCEPTION_TIPS", "IDS_VERSION",
    "IDS_VERSION_NUMBER", "IDS_WIFI_CONNECT_ROBOT", "IDS_WIFI_CONNECT_SUCCESS_TIP",
    "IDS_WRITED_SERIAL_TIPS", "ID_TEXT_LANGUAGE"};

std::wstring Wide(const std::string& key) { return std::wstring(key.begin(), key.end()); }

TEST(StringKeysTest, EveryKeyTheProgramLooksUpHasTextsInBothLanguages) {
  const std::map<std::string, std::string> keys = KeysInSources();
  ASSERT_FALSE(keys.empty());
  for (const int language : {kLanguageChinese, kLanguageEnglish}) {
    const CLanguageStringTable table(language, kStrings);
    for (const auto& [key, file] : keys) {
      std::wstring text;
      EXPECT_TRUE(table.Lookup(Wide(key), &text) && !text.empty())
          << key << " (used in tool/" << file << ") has no text for language " << language;
    }
  }
}

TEST(StringKeysTest, StringsXmlHoldsTheWholeVocabularyAndNothingElse) {
  static_assert(std::size(kVocabulary) == 85);
  for (const int language : {kLanguageChinese, kLanguageEnglish}) {
    const CLanguageStringTable table(language, kStrings);
    EXPECT_EQ(table.Size(), std::size(kVocabulary)) << "language " << language;
    for (const char* key : kVocabulary) {
      std::wstring text;
      EXPECT_TRUE(table.Lookup(Wide(key), &text) && !text.empty()) << key << " / " << language;
    }
  }
}

TEST(StringKeysTest, ChineseTextsAreChinese) {
  // Names that read the same in both languages are the exception, not the rule.
  const CLanguageStringTable chinese(kLanguageChinese, kStrings);
  const CLanguageStringTable english(kLanguageEnglish, kStrings);
  int same = 0;
  for (const char* key : kVocabulary) {
    std::wstring c, e;
    ASSERT_TRUE(chinese.Lookup(Wide(key), &c) && english.Lookup(Wide(key), &e)) << key;
    if (c == e) ++same;
    EXPECT_TRUE(std::any_of(c.begin(), c.end(), [](wchar_t ch) { return ch >= 0x3000; }))
        << key << " has no Chinese character in its CHS text";
  }
  EXPECT_EQ(same, 0);
}

}  // namespace
