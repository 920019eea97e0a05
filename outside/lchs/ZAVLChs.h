#pragma once

// ZAVLChs: the language resource library. The program loads it from its own folder at start and
// hands its handle to language_init; the language manager keeps the handle for the life of the
// process. The texts themselves live in strings.xml; this library only names the languages
// whose resources it carries, so a program can tell which language indexes it may offer.

#define ZAVLCHS_API __attribute__((visibility("default")))

extern "C" {

// The language codes carried, as one static text of codes separated by ';' ("CHS;ENG"). The
// text stays valid while the library is loaded.
ZAVLCHS_API const char* ZAVLChsLanguages();

// The code of language index (1 "CHS", 2 "ENG"), or null for any other index.
ZAVLCHS_API const char* ZAVLChsLanguageCode(int language);

}  // extern "C"
