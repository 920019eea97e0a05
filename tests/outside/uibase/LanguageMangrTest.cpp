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

// The manager is process-wide: every case leaves it without a table.
class LanguageMangrTest : public ::testing::Test {
 protected:
  void TearDown() override { GetLanguageMangr()->m_pStringTable = nullptr; }
};

TEST_F(LanguageMangrTest, OneManagerForTheProcessWithTheTableAsFirstMember) {
  CLanguageMangr* manager = GetLanguageMangr();
  ASSERT_NE(manager, nullptr);
  // The program reaches the table through the first member of the manager.
  MapTable table{{{L"IDS_OK", L"OK"}}};
  *reinterpret_cast<ILanguageStringTable**>(manager) = &table;
  EXPECT_EQ(language_loadstringa("IDS_OK"), L"OK");
}

TEST_F(LanguageMangrTest, LooksKeysUpInTheCurrentTableAndGivesTheKeyForAMissingOne) {
  EXPECT_EQ(language_loadstringa("IDS_CONNECT_FAIL"), L"IDS_CONNECT_FAIL");  // no table
  MapTable english{{{L"IDS_CONNECT_FAIL", L"Connection failed"}, {L"IDS_EMPTY", L""}}};
  MapTable chinese{{{L"IDS_CONNECT_FAIL", L"\u8fde\u63a5\u5931\u8d25"}}};
  GetLanguageMangr()->m_pStringTable = &english;
  EXPECT_EQ(language_loadstringa("IDS_CONNECT_FAIL"), L"Connection failed");
  EXPECT_EQ(language_loadstringa("IDS_EMPTY"), L"");  // an empty text is a text
  EXPECT_EQ(language_loadstringa("IDS_NOT_THERE"), L"IDS_NOT_THERE");
  EXPECT_EQ(language_loadstringa(nullptr), L"");
  GetLanguageMangr()->m_pStringTable = &chinese;
  EXPECT_EQ(language_loadstringa("IDS_CONNECT_FAIL"), L"\u8fde\u63a5\u5931\u8d25");
}

}  // namespace
