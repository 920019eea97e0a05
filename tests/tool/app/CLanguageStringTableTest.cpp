#include "app/CLanguageStringTable.h"

#include <map>

#include <gtest/gtest.h>

#include "outside/uibase/TempFolder.h"

namespace {

using Texts = std::map<std::wstring, std::wstring>;

const char kBoth[] =
    "<STRING NAME=\"IDOK\"><VALUES><CHS>\xE7\xA1\xAE\xE5\xAE\x9A</CHS><ENG>OK</ENG></VALUES>"
    "</STRING>";

// Whether table holds exactly texts.
::testing::AssertionResult Holds(const CLanguageStringTable& table, const Texts& texts) {
  for (const auto& [key, text] : texts) {
    std::wstring found;
    if (!table.Lookup(key, &found) || found != text) {
      return ::testing::AssertionFailure() << "no text or another one for the key of " << text;
    }
  }
  if (table.Size() != texts.size()) return ::testing::AssertionFailure() << table.Size() << " keys";
  return ::testing::AssertionSuccess();
}

TEST(CLanguageStringTableTest, ReadsTheStringsOfTheLanguageFromTheStringList) {
  struct Case {
    const char* what;
    std::string strings;  // the content of STRINGLIST
    int language;
    Texts texts;
  };
  const Case cases[] = {
      {"Chinese", kBoth, 1, {{L"IDOK", L"\u786E\u5B9A"}}},
      {"English", kBoth, 2, {{L"IDOK", L"OK"}}},
      {"no code for 0", kBoth, 0, {}},
      {"no code for 3", kBoth, 3, {}},
      {"element names compare with case",
       "<STRING NAME=\"K\"><VALUES><chs>x</chs><Eng>y</Eng></VALUES></STRING>",
       2,
       {}},
      {"a later duplicate wins",
       "<STRING NAME=\"K\"><VALUES><ENG>old</ENG></VALUES></STRING>"
       "<STRING NAME=\"K\"><VALUES><ENG>new</ENG></VALUES></STRING>",
       2,
       {{L"K", L"new"}}},
      {"only STRING children of STRINGLIST",
       "<GROUP><STRING NAME=\"InGroup\"><VALUES><ENG>g</ENG></VALUES></STRING></GROUP>"
       "<STRING NAME=\"Outer\"><VALUES><ENG>o</ENG></VALUES>"
       "<STRING NAME=\"Nested\"><VALUES><ENG>n</ENG></VALUES></STRING></STRING>"
       "<VALUES><ENG>stray</ENG></VALUES>",
       2,
       {{L"Outer", L"o"}}},
      {"incomplete strings add nothing and do not stop the walk",
       "<STRING NAME=\"NoValues\"><ENG>x</ENG></STRING>"
       "<STRING NAME=\"OnlyChinese\"><VALUES><CHS>c</CHS></VALUES></STRING>"
       "<OTHER NAME=\"Other\"><VALUES><ENG>x</ENG></VALUES></OTHER>"
       "<STRING ID=\"9\" NAME=\"Last\"><NOTE>n</NOTE><VALUES><ENG>l &amp; "
       "m</ENG></VALUES></STRING>",
       2,
       {{L"Last", L"l & m"}}},
      {"no NAME: the empty key; spaces kept",
       "<STRING><VALUES><ENG>  Port: </ENG></VALUES></STRING>",
       2,
       {{L"", L"  Port: "}}},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    folder.Write("strings.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ROOT><STRINGLIST>" +
                                    c.strings + "</STRINGLIST></ROOT>");
    const CLanguageStringTable table(c.language, folder.WideFile("strings.xml"));
    EXPECT_TRUE(Holds(table, c.texts)) << c.what;
    std::wstring text;
    EXPECT_FALSE(table.Lookup(L"idok", &text)) << "keys compare with case";
  }
}

TEST(CLanguageStringTableTest, UnusableFilesGiveAnEmptyTable) {
  TempFolder folder;
  const std::string files[] = {
      "",                                                                // missing
      std::string("<ROOT><STRINGLIST>") + kBoth + "</ROOT>",             // malformed
      std::string("<TOP><STRINGLIST>") + kBoth + "</STRINGLIST></TOP>",  // no ROOT
      std::string("<ROOT><LIST>") + kBoth + "</LIST></ROOT>",            // no STRINGLIST
  };
  for (const std::string& content : files) {
    const std::string path = content.empty() ? folder.File("none") : folder.Write("s.xml", content);
    EXPECT_EQ(CLanguageStringTable(2, std::filesystem::path(path).wstring()).Size(), 0u) << content;
  }
}

}  // namespace
