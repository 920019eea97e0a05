#pragma once

#include <string>

#include <QLocale>

// Language indexes as Config.ini stores them ("Config" / "Language").
constexpr int kLanguageNone = 0;     // no texts: the string table stays empty
constexpr int kLanguageChinese = 1;  // CHS texts of strings.xml
constexpr int kLanguageEnglish = 2;  // ENG texts of strings.xml
constexpr int kLanguageUnset = -1;   // what a missing value reads as

// The language a system locale asks for: English (United States) and the C (POSIX) locale give
// kLanguageEnglish, Chinese (China) gives kLanguageChinese, every other locale kLanguageNone.
int LanguageFromLocale(const QLocale& locale);

// The language to run with, and whether it must be written back to Config.ini.
struct LanguageChoice {
  int language;
  bool write;
};

// configExists: whether Config.ini exists; stored: its "Language" value read with the default
// kLanguageUnset. A missing file or an unset value takes systemLanguage and writes it; any other
// stored value, out-of-range ones included, is used unchanged.
LanguageChoice ChooseLanguage(bool configExists, int stored, int systemLanguage);

// Reads, decides and (when needed) writes the language of the Config.ini at configPath, the
// system language taken from system. Returns the language to run with.
int SettleLanguage(const std::wstring& configPath, const QLocale& system);
