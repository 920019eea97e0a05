#include "app/LanguageLoader.h"

#include <dlfcn.h>

#include <QString>

#include "app/CLanguageStringTable.h"

HMODULE LoadLanguageLibraryFrom(const std::wstring& folder) {
  const QString path = QString::fromStdWString(folder) + QString::fromLatin1(kLanguageLibraryName);
  HMODULE module = ::dlopen(path.toUtf8().constData(), RTLD_NOW | RTLD_LOCAL);
  language_init(module);
  return module;
}

void InstallStringTable(int language, const std::wstring& path) {
  auto* table = new CLanguageStringTable(language, path);
  CLanguageMangr* manager = GetLanguageMangr();
  // The new table goes in before the old one is freed, so no lookup ever meets a freed table.
  ILanguageStringTable* old = manager->m_pStringTable;
  manager->m_pStringTable = table;
  delete old;
}

void InstallQtTranslations(int) {}
