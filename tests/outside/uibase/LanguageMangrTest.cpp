#include <gtest/gtest.h>

#include <map>

#include "ZAVUIBase.h"

namespace {

class MapTable : public ILanguageStringTable {
 public:
  explicit MapTable(std::map<std::wstring, std::wstring> texts) : m_texts(std::move(texts)) {}
  bool Lookup(const std::wstring& key, std::wstring* text) const override {
    const auto found = m_texts.find(key);
    if (found != m_texts.end()) *text = found->second;
    return found != m_texts.end();
  }

 private:
  std::map<std::wstring, std::wstring> m_texts;
};

TEST(LanguageMangrTest, LooksKeysUpInTheTableTheFirstMemberHoldsAndGivesTheKeyForAMissingOne) {
  CLanguageMangr* manager = GetLanguageMangr();
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(language_loadstringa("IDS_CONNECT_FAIL"), L"IDS_CONNECT_FAIL");  // no table
  MapTable english{{{L"IDS_CONNECT_FAIL", L"Connection failed"}, {L"IDS_EMPTY", L""}}};
  MapTable chinese{{{L"IDS_CONNECT_FAIL", L"\u8fde\u63a5\u5931\u8d25"}}};
  // The program reaches the table through the first member of the process's one manager.
  *reinterpret_cast<ILanguageStringTable**>(manager) = &english;
  EXPECT_EQ(language_loadstringa("IDS_CONNECT_FAIL"), L"Connection failed");
  EXPECT_EQ(language_loadstringa("IDS_EMPTY"), L"");  // an empty text is a text
  EXPECT_EQ(language_loadstringa("IDS_NOT_THERE"), L"IDS_NOT_THERE");
  EXPECT_EQ(language_loadstringa(nullptr), L"");
  GetLanguageMangr()->m_pStringTable = &chinese;
  EXPECT_EQ(language_loadstringa("IDS_CONNECT_FAIL"), L"\u8fde\u63a5\u5931\u8d25");
  manager->m_pStringTable = nullptr;
}

}  // namespace
