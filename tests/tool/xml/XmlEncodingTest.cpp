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

}  // namespace
