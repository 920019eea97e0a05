#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ZAVUIBase.h"

namespace {

std::wstring ExpectedFolder() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().wstring() + L"/";
}

TEST(ExePathTest, GivesTheExecutablesFolderWithTrailingSeparatorThenTheName) {
  wchar_t out[1024] = {};
  GetFileNameFromExePath(L"Config.ini", out, 1024);
  EXPECT_EQ(std::wstring(out), ExpectedFolder() + L"Config.ini");
  GetFileNameFromExePath(nullptr, out, 1024);
  EXPECT_EQ(std::wstring(out), ExpectedFolder());
  const std::wstring longName(5000, L'n');  // no buffer to cut it
  EXPECT_EQ(ZAVExeFolderFile(longName.c_str()), ExpectedFolder() + longName);
}

TEST(ExePathTest, NeverWritesPastTheCapacityAndAlwaysTerminates) {
  const std::wstring full = ExpectedFolder() + L"strings.xml";
  for (std::size_t capacity : {std::size_t{1}, std::size_t{5}, full.size(), full.size() + 1}) {
    std::wstring buffer(capacity + 8, L'#');
    GetFileNameFromExePath(L"strings.xml", buffer.data(), capacity);
    const std::size_t kept = std::min(full.size(), capacity - 1);
    EXPECT_EQ(buffer.substr(0, kept), full.substr(0, kept)) << capacity;
    EXPECT_EQ(buffer[kept], L'\0') << capacity;
    EXPECT_EQ(buffer.substr(capacity), std::wstring(8, L'#')) << capacity;
  }
  wchar_t untouched = L'#';
  GetFileNameFromExePath(L"x", &untouched, 0);
  EXPECT_EQ(untouched, L'#');
}

}  // namespace
