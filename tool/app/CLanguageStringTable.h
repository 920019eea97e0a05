#pragma once

#include <map>
#include <string>

#include "ZAVUIBase.h"

// The texts of one language read from strings.xml:
//   <ROOT><STRINGLIST>
//     <STRING NAME="key"><VALUES><CHS>...</CHS><ENG>...</ENG></VALUES></STRING> ...
//   </STRINGLIST></ROOT>
// Language index 1 reads the CHS elements, 2 the ENG elements; any other index, and a file that
// is missing, malformed or lacks ROOT or STRINGLIST, gives an empty table. Only the STRING
// children of STRINGLIST count; of two STRINGs with one NAME the later wins; of two elements of
// the language within one VALUES the first counts.
class CLanguageStringTable : public ILanguageStringTable {
 public:
  // Builds the table for language from the file at path.
  CLanguageStringTable(int language, const std::wstring& path);

  bool Lookup(const std::wstring& key, std::wstring* text) const override;

  // The language index the table was built for.
  int Language() const { return m_nLanguage; }
  // The number of keys held.
  std::size_t Size() const { return m_mapText.size(); }

 private:
  void Build(const std::wstring& path);

  std::map<int, std::string> m_mapCode;  // language index -> element name in VALUES
  int m_nLanguage;
  std::map<std::wstring, std::wstring> m_mapText;
};
