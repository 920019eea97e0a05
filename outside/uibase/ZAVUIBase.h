#pragma once

// ZAVUIBase: the language manager, the ini helpers and the executable-folder helper that the
// program and the link library share. Wide texts are wchar_t; the ini files and the paths on
// disk hold UTF-8.

#include <cstddef>
#include <string>

#define ZAVUIBASE_API __attribute__((visibility("default")))

// The texts of one language, keyed by string-ID. The program supplies the table; the manager
// only looks keys up in it.
class ILanguageStringTable {
 public:
  virtual ~ILanguageStringTable() = default;
  // Stores the text of key in *text and returns true; false when the table lacks the key.
  virtual bool Lookup(const std::wstring& key, std::wstring* text) const = 0;
};

using HMODULE = void*;

// The one language manager of the process. Its first member is the current string table: null
// until the program stores one. The program deletes a table it finds there before storing its
// own; the manager never deletes it.
class CLanguageMangr {
 public:
  ILanguageStringTable* m_pStringTable = nullptr;
  HMODULE m_hResourceModule = nullptr;  // the language resource library; kept, never unloaded
};

// Records the language resource library (may be null). Called once, before the first lookup.
ZAVUIBASE_API void language_init(HMODULE resourceModule);

// The manager; it lives for the whole process.
ZAVUIBASE_API CLanguageMangr* GetLanguageMangr();

// The text of key (an 8-bit string-ID such as "IDS_CONNECT_FAIL") in the current table. Never
// fails: a key the table lacks, or a missing table, gives the key itself, so a missing text shows
// where it comes from. A null key gives the empty text.
ZAVUIBASE_API std::wstring language_loadstringa(const char* key);

// Ini files are UTF-8 (with or without its mark), UTF-16 with a byte-order mark, or 8-bit text
// in another code page (kept byte for byte); a rewrite keeps the file's encoding and line ends.
// A file that holds zero bytes or other control characters is no text: it reads as missing and
// is never written. So is a file with a section header that lacks its "]" (a hand edit gone
// wrong), which cannot be told apart from the keys after it.

// Reads an integer value; def when the file, the section or the key is missing, or the value is
// not a number. Section and key names are compared without regard to case.
ZAVUIBASE_API int ReadIniInt(const wchar_t* section, const wchar_t* key, int def,
                             const wchar_t* path);

// Writes an integer value, creating the file, the section and the key as needed. Comments, order
// and every other section and key are kept; a hand-written file takes the helpers' own layout
// ("key=value", blank lines between sections) at its first write. The new file replaces the old
// one in a single rename, so an interrupted write leaves the old file whole. False when the file
// cannot be written, or exists but cannot be read or is no text (it is then left alone). Writes
// from threads of one process are serialised, so none is lost.
ZAVUIBASE_API bool WriteIniInt(const wchar_t* section, const wchar_t* key, int value,
                               const wchar_t* path);

// Reads a text value; def when the file, the section or the key is missing.
ZAVUIBASE_API std::wstring ReadIniString(const wchar_t* section, const wchar_t* key,
                                         const wchar_t* def, const wchar_t* path);

// Writes into out (capacity wide characters, terminator included) the folder of the running
// executable, with a trailing '/', followed by name (may be empty or null). Never writes past
// capacity: a result that does not fit is cut and still terminated.
ZAVUIBASE_API void GetFileNameFromExePath(const wchar_t* name, wchar_t* out,
                                          std::size_t capacity);

// The same path whole, however long: the helper for this system's own code, which has no buffer
// to size.
ZAVUIBASE_API std::wstring ZAVExeFolderFile(const wchar_t* name);

// The two kinds of file the program writes: its settings (Config.ini) and what it records while it
// runs (the Log folder).
enum ZAVWritableKind { ZAV_WRITABLE_CONFIG, ZAV_WRITABLE_STATE };

// The folder, with a trailing '/', for the program's writable files of kind. The executable's own
// folder when the caller may write there (a build tree, a copied program folder). Otherwise (an
// installed program) the operator's own folder, made when missing: "$XDG_CONFIG_HOME/Caltrim/"
// (default "~/.config/Caltrim/") for the settings, "$XDG_STATE_HOME/Caltrim/" (default
// "~/.local/state/Caltrim/") for the records. The executable's folder again when no home folder
// is known or that folder cannot be made.
ZAVUIBASE_API std::wstring GetWritableFolder(ZAVWritableKind kind);

// GetWritableFolder(kind) followed by name. When that is not the executable's folder and holds no
// such file yet, the file of that name shipped beside the executable is copied there first, so
// that an operator's first start begins from the shipped defaults.
ZAVUIBASE_API std::wstring GetWritableFilePath(const wchar_t* name, ZAVWritableKind kind);

// text (UTF-8, the 8-bit encoding of this system) widened. Never fails: each byte that does not
// belong to a well-formed sequence becomes U+FFFD.
ZAVUIBASE_API std::wstring ZAVWidenUtf8(const std::string& text);

// The reverse: text as UTF-8 (what paths and narrow-character libraries such as log4cplus take).
// A value that is no Unicode scalar becomes U+FFFD.
ZAVUIBASE_API std::string ZAVNarrowToUtf8(const std::wstring& text);
