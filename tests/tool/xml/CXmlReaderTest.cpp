#include "xml/CXmlReader.h"

#include <gtest/gtest.h>

#include "outside/uibase/TempFolder.h"

namespace {

class CXmlReaderTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return xml.Load(folder.Write("doc.xml", bytes)); }

  TempFolder folder;
  CXmlReader xml;
};

// The walk itself is covered through the string table, which is its only user.
TEST_F(CXmlReaderTest, RefusesWhatCannotBeRead) {
  EXPECT_FALSE(xml.Load(folder.File("missing.xml")));
  EXPECT_FALSE(xml.FindElem("ROOT"));
  ASSERT_TRUE(Load("<ROOT/>"));
  for (const char* bad : {"", "<ROOT><A></ROOT>", "just text",
                          "<?xml version=\"1.0\" encoding=\"X-NO-SUCH\"?><R>a</R>",
                          "<?xml version=\"1.0\" encoding=\"GBK\"?><R>\xFF\xFF</R>",
                          "<?xml version=\"1.0\" encoding=\"GBK\"?><R>\xD6</R>"}) {  // cut short
    EXPECT_FALSE(Load(bad)) << bad;
    EXPECT_FALSE(xml.FindElem("ROOT")) << "a failed load leaves nothing to walk";
  }
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t c : text) {
    const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

// The text comes out as the same characters whatever the file's encoding.
TEST_F(CXmlReaderTest, ReadsUnicodeAndConvertsDeclaredLegacyEncodings) {
  const std::u16string utf16 =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><R a=\"\u00E9\">\u4E2D\u6587</R>";
  const struct { const char* what; std::string bytes; std::wstring text, attribute; } cases[] = {
      {"UTF-8",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><R a='\xC3\xA9'>\xE4\xB8\xAD\xE6\x96\x87</R>",
       L"\u4E2D\u6587", L"\u00E9"},
      {"UTF-8 with byte order mark", "\xEF\xBB\xBF<R>\xE4\xB8\xAD\xE6\x96\x87</R>", L"\u4E2D\u6587",
       L""},
      {"UTF-16 LE", Utf16(utf16, false), L"\u4E2D\u6587", L"\u00E9"},
      {"UTF-16 BE", Utf16(utf16, true), L"\u4E2D\u6587", L"\u00E9"},
      {"GBK", "<?xml version=\"1.0\" encoding=\"GBK\"?><R>\xD6\xD0\xCE\xC4</R>", L"\u4E2D\u6587",
       L""},
      // 镕 (E9 46) is GBK, not GB2312; files labelled GB2312 carry such characters in practice.
      {"gb2312", "<?xml version=\"1.0\" encoding=\"gb2312\"?><R>\xD6\xD0\xE9\x46</R>",
       L"\u4E2D\u9555", L""},
      {"an encoding named outside the declaration",
       "<!-- <?xml encoding=\"GBK\"?> --><R a='GBK' encoding=\"GBK\">\xE4\xB8\xAD\xE6\x96\x87</R>",
       L"\u4E2D\u6587", L"GBK"},
      {"ISO-8859-1",
       "<?xml version='1.0' encoding='ISO-8859-1' standalone='yes'?><R a='\xE9'>caf\xE9</R>",
       L"caf\u00E9", L"\u00E9"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(c.bytes)) << c.what;
    ASSERT_TRUE(xml.FindElem("R")) << c.what;
    EXPECT_EQ(xml.GetData(), c.text) << c.what;
    EXPECT_EQ(xml.GetAttrib("a"), c.attribute) << c.what;
  }
}

}  // namespace
