#include "Utf8.h"

#include <gtest/gtest.h>

namespace {

using zavuibase::Utf8ToWide;
using zavuibase::WideToUtf8;

TEST(Utf8Test, RoundTripsEveryLengthAndIllFormedInputBecomesReplacementCharacters) {
  EXPECT_EQ(WideToUtf8(L"A\u00e9\u6821\U0001F600"), "A\xc3\xa9\xe6\xa0\xa1\xf0\x9f\x98\x80");
  EXPECT_EQ(Utf8ToWide("A\xc3\xa9\xe6\xa0\xa1\xf0\x9f\x98\x80"), L"A\u00e9\u6821\U0001F600");
  EXPECT_EQ(Utf8ToWide("a\xff" "b"), L"a\ufffdb");
  EXPECT_EQ(Utf8ToWide("\xe6\xa0"), L"\ufffd\ufffd");           // cut short
  EXPECT_EQ(Utf8ToWide("\xc0\xaf"), L"\ufffd\ufffd");           // overlong '/'
  EXPECT_EQ(Utf8ToWide("\xed\xa0\x80"), L"\ufffd\ufffd\ufffd");  // a surrogate
  for (const wchar_t bad : {static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000)}) {
    EXPECT_EQ(WideToUtf8(std::wstring(1, bad)), "\xef\xbf\xbd");
  }
}

}  // namespace
