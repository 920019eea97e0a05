#include "xml/XmlEncoding.h"

#include <gtest/gtest.h>

namespace {

TEST(XmlEncodingTest, NamesTheDeclaredEncoding) {
  EXPECT_EQ(DeclaredXmlEncoding("<?xml version=\"1.0\" encoding=\"GB2312\"?><R/>"), "GB2312");
  EXPECT_EQ(DeclaredXmlEncoding("<?xml version='1.0' encoding='gbk' standalone='yes'?><R/>"),
            "gbk");
  EXPECT_EQ(DeclaredXmlEncoding("<?xml version=\"1.0\"?><R/>"), "");
  EXPECT_EQ(DeclaredXmlEncoding("<R encoding=\"GBK\"/>"), "") << "only the declaration counts";
  EXPECT_EQ(DeclaredXmlEncoding("<!-- <?xml encoding=\"GBK\"?> --><R/>"), "");
}

TEST(XmlEncodingTest, LeavesUnicodeFilesToTheParserAndConvertsOthers) {
  XmlText text;
  ASSERT_TRUE(PrepareXmlText(std::string("\xFF\xFE<\0R\0/\0>\0", 10), &text));
  EXPECT_EQ(text.encoding, pugi::encoding_auto);
  ASSERT_TRUE(PrepareXmlText("<?xml version=\"1.0\" encoding=\"utf-8\"?><R>\xC3\xA9</R>", &text));
  EXPECT_EQ(text.encoding, pugi::encoding_utf8);
  EXPECT_EQ(text.bytes, "<?xml version=\"1.0\" encoding=\"utf-8\"?><R>\xC3\xA9</R>");
  ASSERT_TRUE(PrepareXmlText("<?xml version=\"1.0\" encoding=\"latin1\"?><R>\xE9</R>", &text));
  EXPECT_EQ(text.encoding, pugi::encoding_utf8);
  EXPECT_NE(text.bytes.find("<R>\xC3\xA9</R>"), std::string::npos);
}

}  // namespace
