#include "app/LanguageLoader.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

#include "app/CLanguageStringTable.h"
#include "app/LanguageSetting.h"

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

void InstallQtTranslations(int language) {
  static QTranslator* installed = nullptr;
  if (installed != nullptr) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  // Only Chinese needs them: the toolkit's own texts are English.
  if (language != kLanguageChinese) return;
  auto* translator = new QTranslator;
  if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
}
