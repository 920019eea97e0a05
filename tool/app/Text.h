#pragma once

#include <QString>

#include "ZAVUIBase.h"

// T(key): the text of a string-ID key in the language in force, looked up at the moment it is
// shown.
inline QString T(const char* key) { return QString::fromStdWString(language_loadstringa(key)); }
