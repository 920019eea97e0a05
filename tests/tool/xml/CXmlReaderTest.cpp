#include "xml/CXmlReader.h"

#include <gtest/gtest.h>

#include "tool/app/TempFolder.h"

namespace {

class CXmlReaderTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return xml.Load(folder.Write("doc.xml", bytes)); }

  TempFolder folder;
  CXmlReader xml;
};

TEST_F(CXmlReaderTest, WalksOneLevelAtATime) {
  ASSERT_TRUE(Load(
      "<ROOT><A n=\"1\">one</A><B/><A n=\"2\"><![CDATA[two <raw>]]></A>"
      "<A>three &amp; more</A></ROOT>"));
  EXPECT_FALSE(xml.IntoElem()) << "no current element right after loading";
  ASSERT_TRUE(xml.FindElem("ROOT"));
  ASSERT_TRUE(xml.IntoElem());

  ASSERT_TRUE(xml.FindElem("A"));
  EXPECT_EQ(xml.GetAttrib("n"), L"1");
  EXPECT_EQ(xml.GetData(), L"one");
  ASSERT_TRUE(xml.FindElem("A")) << "B is passed over";
  EXPECT_EQ(xml.GetAttrib("n"), L"2");
  EXPECT_EQ(xml.GetData(), L"two <raw>");
  ASSERT_TRUE(xml.FindElem("A"));
  EXPECT_EQ(xml.GetAttrib("n"), L"") << "absent attribute";
  EXPECT_EQ(xml.GetData(), L"three & more");

  EXPECT_FALSE(xml.FindElem("A"));
  EXPECT_EQ(xml.GetData(), L"three & more") << "a failed search keeps the current element";
  EXPECT_FALSE(xml.FindElem("B")) << "searches go on after the current element only";

  ASSERT_TRUE(xml.OutOfElem());
  EXPECT_TRUE(xml.IntoElem()) << "ROOT is current again";
  ASSERT_TRUE(xml.OutOfElem());
  EXPECT_FALSE(xml.OutOfElem()) << "nothing above the top level";
}

TEST_F(CXmlReaderTest, FindsOnlyAtTheCurrentLevelAndByExactName) {
  ASSERT_TRUE(Load("<ROOT><X><A>deep</A></X><a>lower</a></ROOT>"));
  ASSERT_TRUE(xml.FindElem("ROOT"));
  ASSERT_TRUE(xml.IntoElem());
  EXPECT_FALSE(xml.FindElem("A"));
  ASSERT_TRUE(xml.FindElem("X"));
  ASSERT_TRUE(xml.IntoElem());
  ASSERT_TRUE(xml.FindElem("A"));
  EXPECT_EQ(xml.GetData(), L"deep");
  EXPECT_FALSE(xml.IntoElem() && xml.FindElem("anything"));
}

TEST_F(CXmlReaderTest, TextOfAnElementWithoutTextIsEmpty) {
  ASSERT_TRUE(Load("<ROOT><E><Inner>t</Inner></E><F/></ROOT>"));
  ASSERT_TRUE(xml.FindElem("ROOT") && xml.IntoElem());
  ASSERT_TRUE(xml.FindElem("E"));
  EXPECT_EQ(xml.GetData(), L"");
  ASSERT_TRUE(xml.FindElem("F"));
  EXPECT_EQ(xml.GetData(), L"");
}

TEST_F(CXmlReaderTest, RefusesWhatCannotBeRead) {
  EXPECT_FALSE(xml.Load(folder.File("missing.xml")));
  EXPECT_FALSE(xml.FindElem("ROOT"));
  EXPECT_FALSE(Load("")) << "empty file";
  EXPECT_FALSE(Load("<ROOT><A></ROOT>")) << "mismatched end tag";
  EXPECT_FALSE(Load("<ROOT>")) << "unclosed element";
  EXPECT_FALSE(Load("just text")) << "no element at all";
  EXPECT_FALSE(xml.FindElem("ROOT")) << "a failed load leaves nothing to walk";
}

TEST_F(CXmlReaderTest, ALaterLoadStartsAtTheTopAgain) {
  ASSERT_TRUE(Load("<ROOT><A>1</A></ROOT>"));
  ASSERT_TRUE(xml.FindElem("ROOT") && xml.IntoElem() && xml.FindElem("A"));
  ASSERT_TRUE(Load("<OTHER/>"));
  EXPECT_TRUE(xml.FindElem("OTHER"));
}

// Encodings: the text must come out as the same characters whatever the file's encoding.
const std::wstring kChinese = L"\u4E2D\u6587";  // 中文

TEST_F(CXmlReaderTest, ReadsUtf8WithAndWithoutByteOrderMark) {
  const std::string body = "<R>\xE4\xB8\xAD\xE6\x96\x87</R>";
  ASSERT_TRUE(Load("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + body));
  ASSERT_TRUE(xml.FindElem("R"));
  EXPECT_EQ(xml.GetData(), kChinese);
  ASSERT_TRUE(Load("\xEF\xBB\xBF" + body));
  ASSERT_TRUE(xml.FindElem("R"));
  EXPECT_EQ(xml.GetData(), kChinese);
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t c : text) {
    const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

TEST_F(CXmlReaderTest, ReadsUtf16WithByteOrderMark) {
  const std::u16string doc =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><R a=\"\u00E9\">\u4E2D\u6587</R>";
  for (const bool bigEndian : {false, true}) {
    ASSERT_TRUE(Load(Utf16(doc, bigEndian))) << "big endian " << bigEndian;
    ASSERT_TRUE(xml.FindElem("R"));
    EXPECT_EQ(xml.GetData(), kChinese);
    EXPECT_EQ(xml.GetAttrib("a"), L"\u00E9");
  }
}

TEST_F(CXmlReaderTest, ConvertsDeclaredLegacyEncodings) {
  // 中文 in GBK; 镕 (E9 46) exists in GBK but not in GB2312, and files labelled GB2312 carry
  // such characters in practice.
  ASSERT_TRUE(Load("<?xml version=\"1.0\" encoding=\"GBK\"?><R>\xD6\xD0\xCE\xC4</R>"));
  ASSERT_TRUE(xml.FindElem("R"));
  EXPECT_EQ(xml.GetData(), kChinese);

  ASSERT_TRUE(Load("<?xml version=\"1.0\" encoding=\"gb2312\"?><R>\xD6\xD0\xE9\x46</R>"));
  ASSERT_TRUE(xml.FindElem("R"));
  EXPECT_EQ(xml.GetData(), L"\u4E2D\u9555");

  ASSERT_TRUE(Load("<?xml version='1.0' encoding='ISO-8859-1'?><R v='\xE9'>caf\xE9</R>"));
  ASSERT_TRUE(xml.FindElem("R"));
  EXPECT_EQ(xml.GetData(), L"caf\u00E9");
  EXPECT_EQ(xml.GetAttrib("v"), L"\u00E9");
}

TEST_F(CXmlReaderTest, RefusesUnknownEncodingsAndBytesThatDoNotFit) {
  EXPECT_FALSE(Load("<?xml version=\"1.0\" encoding=\"X-NO-SUCH\"?><R>a</R>"));
  EXPECT_FALSE(Load("<?xml version=\"1.0\" encoding=\"GBK\"?><R>\xFF\xFF</R>"));
  EXPECT_FALSE(Load("<?xml version=\"1.0\" encoding=\"GBK\"?><R>\xD6</R>"))
      << "a sequence cut short";
}

}  // namespace
