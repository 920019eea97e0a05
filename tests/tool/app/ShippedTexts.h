#pragma once

#include <QString>

#include "app/LanguageLoader.h"

// Installs the table of language from the shipped strings.xml, as start-up does.
inline void UseShippedTexts(int language) {
  InstallStringTable(
      language, QString::fromUtf8(CALTRIM_SOURCE_DIR "/tool/resources/strings.xml").toStdWString());
}
