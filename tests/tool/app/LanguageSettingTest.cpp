#include "app/LanguageSetting.h"

#include <gtest/gtest.h>

#include "ZAVUIBase.h"
#include "app/LanguageLoader.h"
#include "app/Text.h"
#include "tool/app/TempFolder.h"

namespace {

TEST(LanguageSettingTest, SystemLocaleGivesTheLanguage) {
  EXPECT_EQ(LanguageFromLocale(QLocale(QLocale::English, QLocale::UnitedStates)), kLanguageEnglish);
  EXPECT_EQ(LanguageFromLocale(QLocale(QLocale::Chinese, QLocale::China)), kLanguageChinese);
  EXPECT_EQ(LanguageFromLocale(QLocale(QStringLiteral("zh_CN"))), kLanguageChinese);
  EXPECT_EQ(LanguageFromLocale(QLocale(QStringLiteral("en_US"))), kLanguageEnglish);
  for (const char* other : {"en_GB", "zh_TW", "de_DE", "fr_FR", "C"}) {
    EXPECT_EQ(LanguageFromLocale(QLocale(QString::fromLatin1(other))), kLanguageNone) << other;
  }
}

TEST(LanguageSettingTest, OnlyAMissingValueIsReplaced) {
  struct Case {
    bool exists;
    int stored;
    int language;
    bool write;
  };
  const Case cases[] = {
      {false, kLanguageUnset, 2, true},  // no Config.ini: the system's language, written
      {true, kLanguageUnset, 2, true},   // -1 (or no key): as if missing
      {true, 1, 1, false},               {true, 2, 2, false},
      {true, 0, 0, false},               // 0 stays 0, even on an English system
      {true, 7, 7, false},               {true, -5, -5, false},
  };
  for (const Case& c : cases) {
    const LanguageChoice choice = ChooseLanguage(c.exists, c.stored, kLanguageEnglish);
    EXPECT_EQ(choice.language, c.language) << c.exists << " " << c.stored;
    EXPECT_EQ(choice.write, c.write) << c.exists << " " << c.stored;
  }
}

class SettleLanguageTest : public ::testing::Test {
 protected:
  int Settle(const char* locale) {
    return SettleLanguage(config, QLocale(QString::fromLatin1(locale)));
  }
  int Stored() { return ReadIniInt(L"Config", L"Language", -100, config.c_str()); }

  TempFolder folder;
  const std::wstring config = folder.WideFile("Config.ini");
};

TEST_F(SettleLanguageTest, FirstStartWritesTheSystemLanguage) {
  EXPECT_EQ(Settle("en_US"), 2);
  EXPECT_EQ(Stored(), 2);
  std::filesystem::remove(folder.File("Config.ini"));
  EXPECT_EQ(Settle("zh_CN"), 1);
  EXPECT_EQ(Stored(), 1);
  std::filesystem::remove(folder.File("Config.ini"));
  EXPECT_EQ(Settle("de_DE"), 0);
  EXPECT_EQ(Stored(), 0) << "the derived 0 is written too";
}

TEST_F(SettleLanguageTest, UnsetValueIsRewrittenAndOtherKeysKept) {
  folder.Write("Config.ini", "; servos\n[Config]\nServoNum=16\nLanguage=-1\nID1=120\n");
  EXPECT_EQ(Settle("zh_CN"), 1);
  EXPECT_EQ(Stored(), 1);
  EXPECT_EQ(ReadIniInt(L"Config", L"ServoNum", 0, config.c_str()), 16);
  EXPECT_EQ(ReadIniInt(L"Config", L"ID1", 0, config.c_str()), 120);
  EXPECT_NE(TempFolder::Read(folder.File("Config.ini")).find("; servos"), std::string::npos);

  folder.Write("Config.ini", "[Config]\nServoNum=16\n");
  EXPECT_EQ(Settle("en_US"), 2) << "a file without the key";
  EXPECT_EQ(Stored(), 2);
}

TEST_F(SettleLanguageTest, StoredValuesAreUsedUnchanged) {
  const std::pair<const char*, int> cases[] = {
      {"[Config]\nLanguage=7\n", 7}, {"[Config]\nLanguage=0\n", 0}, {"[Config]\nLanguage=1\n", 1}};
  for (const auto& [content, language] : cases) {
    folder.Write("Config.ini", content);
    EXPECT_EQ(Settle("en_US"), language);
    EXPECT_EQ(TempFolder::Read(folder.File("Config.ini")), content) << "file left byte for byte";
  }
}

// The language settled at start decides the texts: the shipped strings.xml, installed the way
// start-up installs it.
TEST(LoadLanguageTest, InstalledTableGivesTheTextsOfTheLanguage) {
  const std::wstring strings = QString::fromUtf8(CALTRIM_SOURCE_DIR "/tool/resources/strings.xml").toStdWString();
  InstallStringTable(kLanguageEnglish, strings);
  EXPECT_EQ(T("IDOK"), QStringLiteral("OK"));
  EXPECT_EQ(T("IDS_SURE_ENG"), QStringLiteral("English"));
  InstallStringTable(kLanguageChinese, strings);
  EXPECT_EQ(T("IDOK"), QString::fromUtf8("\xE7\xA1\xAE\xE5\xAE\x9A"));
  InstallStringTable(7, strings);
  EXPECT_EQ(T("IDOK"), QStringLiteral("IDOK")) << "empty table: the manager's stand-in";
  InstallStringTable(kLanguageNone, strings);
  EXPECT_EQ(T("IDS_READY"), QStringLiteral("IDS_READY"));
}

TEST(LoadLanguageTest, LanguageLibraryIsHandedToTheManagerEvenWhenMissing) {
  HMODULE module = LoadLanguageLibraryFrom(QString::fromUtf8(CALTRIM_STAGE_DIR "/").toStdWString());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(GetLanguageMangr()->m_hResourceModule, module);
  TempFolder empty;
  EXPECT_EQ(LoadLanguageLibraryFrom(empty.Path().wstring() + L"/"), nullptr);
  EXPECT_EQ(GetLanguageMangr()->m_hResourceModule, nullptr);
}

}  // namespace
