#include "app/CLanguageStringTable.h"

#include <gtest/gtest.h>

#include "tool/app/TempFolder.h"

namespace {

class CLanguageStringTableTest : public ::testing::Test {
 protected:
  // A strings.xml holding the given STRING elements.
  std::wstring File(const std::string& strings) {
    folder.Write("strings.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ROOT><STRINGLIST>" +
                                    strings + "</STRINGLIST></ROOT>");
    return folder.WideFile("strings.xml");
  }

  static std::wstring Text(const CLanguageStringTable& table, const std::wstring& key) {
    std::wstring text;
    return table.Lookup(key, &text) ? text : L"<none>";
  }

  TempFolder folder;
};

const char kBoth[] =
    "<STRING NAME=\"IDOK\"><VALUES><CHS>\xE7\xA1\xAE\xE5\xAE\x9A</CHS><ENG>OK</ENG></VALUES>"
    "</STRING>";

TEST_F(CLanguageStringTableTest, PicksTheElementOfTheLanguage) {
  const std::wstring path = File(kBoth);
  const CLanguageStringTable chinese(1, path);
  EXPECT_EQ(Text(chinese, L"IDOK"), L"\u786E\u5B9A");
  EXPECT_EQ(chinese.Language(), 1);
  const CLanguageStringTable english(2, path);
  EXPECT_EQ(Text(english, L"IDOK"), L"OK");
  EXPECT_EQ(english.Size(), 1u);
  EXPECT_EQ(Text(english, L"idok"), L"<none>") << "keys compare with case";
}

TEST_F(CLanguageStringTableTest, ALanguageWithoutCodeGivesAnEmptyTable) {
  const std::wstring path = File(kBoth);
  for (const int language : {0, 3, 7, -1}) {
    EXPECT_EQ(CLanguageStringTable(language, path).Size(), 0u) << language;
  }
}

TEST_F(CLanguageStringTableTest, LanguageElementNamesCompareWithCase) {
  const std::wstring path = File("<STRING NAME=\"K\"><VALUES><chs>x</chs><Eng>y</Eng></VALUES></STRING>");
  EXPECT_EQ(CLanguageStringTable(1, path).Size(), 0u);
  EXPECT_EQ(CLanguageStringTable(2, path).Size(), 0u);
}

TEST_F(CLanguageStringTableTest, FirstElementOfTheLanguageInValuesCounts) {
  const std::wstring path =
      File("<STRING NAME=\"K\"><VALUES><CHS>first</CHS><ENG>e</ENG><CHS>second</CHS></VALUES>"
           "</STRING>");
  EXPECT_EQ(Text(CLanguageStringTable(1, path), L"K"), L"first");
}

TEST_F(CLanguageStringTableTest, LaterDuplicateNameWins) {
  const std::wstring path =
      File("<STRING NAME=\"K\"><VALUES><ENG>old</ENG></VALUES></STRING>"
           "<STRING NAME=\"K\"><VALUES><ENG>new</ENG></VALUES></STRING>");
  const CLanguageStringTable table(2, path);
  EXPECT_EQ(Text(table, L"K"), L"new");
  EXPECT_EQ(table.Size(), 1u);
}

TEST_F(CLanguageStringTableTest, OnlyStringChildrenOfStringListAreRead) {
  const std::wstring path =
      File("<GROUP><STRING NAME=\"InGroup\"><VALUES><ENG>g</ENG></VALUES></STRING></GROUP>"
           "<STRING NAME=\"Outer\"><VALUES><ENG>o</ENG></VALUES>"
           "<STRING NAME=\"Nested\"><VALUES><ENG>n</ENG></VALUES></STRING></STRING>"
           "<VALUES><ENG>stray</ENG></VALUES>");
  const CLanguageStringTable table(2, path);
  EXPECT_EQ(Text(table, L"Outer"), L"o");
  EXPECT_EQ(Text(table, L"InGroup"), L"<none>");
  EXPECT_EQ(Text(table, L"Nested"), L"<none>");
  EXPECT_EQ(table.Size(), 1u);
}

TEST_F(CLanguageStringTableTest, IncompleteStringsAddNothingAndDoNotStopTheWalk) {
  const std::wstring path =
      File("<STRING NAME=\"NoValues\"><ENG>x</ENG></STRING>"
           "<STRING NAME=\"OnlyChinese\"><VALUES><CHS>c</CHS></VALUES></STRING>"
           "<OTHER NAME=\"Other\"><VALUES><ENG>x</ENG></VALUES></OTHER>"
           "<STRING ID=\"9\" NAME=\"Last\" EXTRA=\"e\"><NOTE>n</NOTE><VALUES><ENG>l &amp; m</ENG>"
           "</VALUES></STRING>");
  const CLanguageStringTable table(2, path);
  EXPECT_EQ(Text(table, L"Last"), L"l & m");
  EXPECT_EQ(table.Size(), 1u);
}

TEST_F(CLanguageStringTableTest, StringWithoutNameUsesTheEmptyKey) {
  const std::wstring path = File("<STRING><VALUES><ENG>anonymous</ENG></VALUES></STRING>");
  EXPECT_EQ(Text(CLanguageStringTable(2, path), L""), L"anonymous");
}

TEST_F(CLanguageStringTableTest, KeepsSpacesAroundTexts) {
  const std::wstring path = File("<STRING NAME=\"K\"><VALUES><ENG>  Port: </ENG></VALUES></STRING>");
  EXPECT_EQ(Text(CLanguageStringTable(2, path), L"K"), L"  Port: ");
}

TEST_F(CLanguageStringTableTest, UnusableFilesGiveAnEmptyTable) {
  EXPECT_EQ(CLanguageStringTable(2, folder.WideFile("missing.xml")).Size(), 0u);
  folder.Write("bad.xml", std::string("<ROOT><STRINGLIST>") + kBoth + "</ROOT>");
  EXPECT_EQ(CLanguageStringTable(2, folder.WideFile("bad.xml")).Size(), 0u);
  folder.Write("noroot.xml", std::string("<TOP><STRINGLIST>") + kBoth + "</STRINGLIST></TOP>");
  EXPECT_EQ(CLanguageStringTable(2, folder.WideFile("noroot.xml")).Size(), 0u);
  folder.Write("nolist.xml", std::string("<ROOT><LIST>") + kBoth + "</LIST></ROOT>");
  EXPECT_EQ(CLanguageStringTable(2, folder.WideFile("nolist.xml")).Size(), 0u);
}

TEST_F(CLanguageStringTableTest, ReadsLegacyEncodedFiles) {
  // 确定 and 取消 in GBK.
  folder.Write("gbk.xml",
               "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<ROOT><STRINGLIST>"
               "<STRING NAME=\"IDOK\"><VALUES><CHS>\xC8\xB7\xB6\xA8</CHS><ENG>OK</ENG></VALUES></STRING>"
               "<STRING NAME=\"IDCANCEL\"><VALUES><CHS>\xC8\xA1\xCF\xFB</CHS></VALUES></STRING>"
               "</STRINGLIST></ROOT>");
  const CLanguageStringTable table(1, folder.WideFile("gbk.xml"));
  EXPECT_EQ(Text(table, L"IDOK"), L"\u786E\u5B9A");
  EXPECT_EQ(Text(table, L"IDCANCEL"), L"\u53D6\u6D88");
}

TEST_F(CLanguageStringTableTest, ReadsUtf16Files) {
  const std::u16string doc =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ROOT><STRINGLIST><STRING NAME=\"IDOK\">"
      u"<VALUES><CHS>\u786E\u5B9A</CHS><ENG>OK</ENG></VALUES></STRING></STRINGLIST></ROOT>";
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : doc) bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  folder.Write("utf16.xml", bytes);
  EXPECT_EQ(Text(CLanguageStringTable(1, folder.WideFile("utf16.xml")), L"IDOK"), L"\u786E\u5B9A");
  EXPECT_EQ(Text(CLanguageStringTable(2, folder.WideFile("utf16.xml")), L"IDOK"), L"OK");
}

}  // namespace
