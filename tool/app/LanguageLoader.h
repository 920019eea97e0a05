#pragma once

#include <string>

#include "ZAVUIBase.h"

// The file name of the language resource library in the program's folder.
inline constexpr char kLanguageLibraryName[] = "libZAVLChs.so";

// Loads the language resource library from folder (ending in '/') and hands its handle to
// language_init; the handle is null, and language_init still called, when it cannot be loaded.
// The library stays loaded for the life of the process. Returns the handle.
HMODULE LoadLanguageLibraryFrom(const std::wstring& folder);

// Builds the string table for language from the strings.xml at path and installs it in the
// language manager, deleting the table found there first.
void InstallStringTable(int language, const std::wstring& path);

// Installs the toolkit's own translations (standard buttons, dialogs) for language from the
// system's Qt translations, replacing those installed before; English and languages without a
// translation keep the toolkit's built-in texts. Call on the user-interface thread.
void InstallQtTranslations(int language);
