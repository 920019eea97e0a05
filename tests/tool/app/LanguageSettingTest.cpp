#include "app/LanguageSetting.h"

#include <QAbstractButton>
#include <QMessageBox>

#include <gtest/gtest.h>

#include "ZAVUIBase.h"
#include "app/LanguageLoader.h"
#include "outside/uibase/TempFolder.h"
#include "tool/app/QtTestApp.h"

namespace {

// Start-up's language: Config.ini as found (or none) on a system of some locale gives the
// language to run with; only a missing or unset value is replaced, by the system's language.
TEST(LanguageSettingTest, SettlesFromConfigIniAndTheSystemLocale) {
  struct Case {
    const char* config;  // null: no Config.ini
    const char* locale;
    int language;
    bool written;
  };
  const Case cases[] = {
      {nullptr, "en_US", 2, true},
      {nullptr, "zh_CN", 1, true},
      {nullptr, "de_DE", 0, true},  // the derived 0 is written too
      {nullptr, "zh_TW", 0, true},
      {nullptr, "C", 2, true},  // C, C.UTF-8 and POSIX: no language, so English
      {nullptr, "POSIX", 2, true},
      {nullptr, "C.UTF-8", 2, true},
      {"; servos\n[Config]\nServoNum=16\nLanguage=-1\n", "zh_CN", 1, true},
      {"[Config]\nServoNum=16\n", "en_US", 2, true},
      {"[Config]\nServoNum=16\nLanguage=7\n", "en_US", 7, false},
      {"[Config]\nServoNum=16\nLanguage=1\n", "en_US", 1, false},
      {"[Config]\nServoNum=16\nLanguage=-5\n", "zh_CN", -5, false},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const std::wstring ini = folder.WideFile("Config.ini");
    const std::string what = std::string(c.config ? c.config : "no Config.ini ") + c.locale;
    if (c.config != nullptr) folder.Write("Config.ini", c.config);
    EXPECT_EQ(SettleLanguage(ini, QLocale(QString::fromLatin1(c.locale))), c.language) << what;
    if (!c.written) {
      EXPECT_EQ(TempFolder::Read(folder.File("Config.ini")), c.config) << what;
      continue;
    }
    EXPECT_EQ(ReadIniInt(L"Config", L"Language", -100, ini.c_str()), c.language) << what;
    if (c.config != nullptr) {
      EXPECT_EQ(ReadIniInt(L"Config", L"ServoNum", 0, ini.c_str()), 16) << "other keys kept";
    }
  }
}

// The toolkit's own texts, such as the standard buttons of message boxes, follow the language.
TEST(LoadLanguageTest, StandardButtonsSpeakTheLanguage) {
  QtTestApp();
  const std::pair<int, const char*> cases[] = {
      {kLanguageChinese, "\xE6\x98\xAF"}, {kLanguageEnglish, "Yes"}, {kLanguageNone, "Yes"}};
  for (const auto& [language, yes] : cases) {
    InstallQtTranslations(language);
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Yes);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().contains(QString::fromUtf8(yes)))
        << language << ": " << box.button(QMessageBox::Yes)->text().toStdString();
  }
}

}  // namespace
