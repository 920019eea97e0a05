#include "ZAVLChs.h"

const char* ZAVLChsLanguages() { return "CHS;ENG"; }

const char* ZAVLChsLanguageCode(int language) {
  switch (language) {
    case 1:
      return "CHS";
    case 2:
      return "ENG";
    default:
      return nullptr;
  }
}
