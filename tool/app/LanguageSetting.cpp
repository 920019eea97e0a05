#include "app/LanguageSetting.h"

#include <QFileInfo>
#include <QString>

#include "ZAVUIBase.h"

int LanguageFromLocale(const QLocale& locale) {
  // The C (POSIX) locale names no language at all; like the system's own untranslated texts, the
  // program then speaks English.
  if (locale.language() == QLocale::C) return kLanguageEnglish;
  if (locale.language() == QLocale::English && locale.territory() == QLocale::UnitedStates) {
    return kLanguageEnglish;
  }
  if (locale.language() == QLocale::Chinese && locale.territory() == QLocale::China) {
    return kLanguageChinese;
  }
  return kLanguageNone;
}

LanguageChoice ChooseLanguage(bool configExists, int stored, int systemLanguage) {
  if (!configExists || stored == kLanguageUnset) return {systemLanguage, true};
  return {stored, false};
}

int SettleLanguage(const std::wstring& configPath, const QLocale& system) {
  const bool exists = QFileInfo::exists(QString::fromStdWString(configPath));
  const int stored =
      exists ? ReadIniInt(L"Config", L"Language", kLanguageUnset, configPath.c_str()) : kLanguageUnset;
  const LanguageChoice choice = ChooseLanguage(exists, stored, LanguageFromLocale(system));
  // A folder that cannot be written only loses the memory of the choice; the run goes on.
  if (choice.write) WriteIniInt(L"Config", L"Language", choice.language, configPath.c_str());
  return choice.language;
}
