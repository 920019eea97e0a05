#include "Utf8.h"
#include "ZAVUIBase.h"

namespace {

// Never destroyed: windows may still look texts up while static objects are being torn down.
CLanguageMangr* TheManager() {
  static CLanguageMangr* manager = new CLanguageMangr;
  return manager;
}

}  // namespace

void language_init(HMODULE resourceModule) { TheManager()->m_hResourceModule = resourceModule; }

CLanguageMangr* GetLanguageMangr() { return TheManager(); }

std::wstring language_loadstringa(const char* key) {
  if (key == nullptr) return std::wstring();
  const std::wstring wideKey = zavuibase::Utf8ToWide(key);
  const ILanguageStringTable* table = TheManager()->m_pStringTable;
  std::wstring text;
  if (table != nullptr && table->Lookup(wideKey, &text)) return text;
  return wideKey;
}
