#include "app/CLanguageStringTable.h"

#include "xml/CXmlReader.h"

CLanguageStringTable::CLanguageStringTable(int language, const std::wstring& path)
    : m_mapCode{{1, "CHS"}, {2, "ENG"}}, m_nLanguage(language) {
  Build(path);
}

bool CLanguageStringTable::Lookup(const std::wstring& key, std::wstring* text) const {
  const auto found = m_mapText.find(key);
  if (found == m_mapText.end()) return false;
  *text = found->second;
  return true;
}

void CLanguageStringTable::Build(const std::wstring& path) {
  CXmlReader xml;
  if (!xml.Load(pugi::as_utf8(path))) return;
  if (!xml.FindElem("ROOT") || !xml.IntoElem()) return;
  if (!xml.FindElem("STRINGLIST") || !xml.IntoElem()) return;

  const auto entry = m_mapCode.find(m_nLanguage);
  const std::string code = entry == m_mapCode.end() ? std::string() : entry->second;

  while (xml.FindElem("STRING")) {
    const std::wstring key = xml.GetAttrib("NAME");
    xml.IntoElem();
    if (xml.FindElem("VALUES")) {
      xml.IntoElem();
      for (const auto& [index, name] : m_mapCode) {
        if (name == code && xml.FindElem(name.c_str())) m_mapText[key] = xml.GetData();
      }
      xml.OutOfElem();
    }
    xml.OutOfElem();
  }
}
