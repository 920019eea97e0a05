#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ZAVUIBase.h"

namespace {

const std::wstring kFolder = std::filesystem::canonical("/proc/self/exe").parent_path().wstring() + L"/";

TEST(ExePathTest, GivesTheExecutablesFolderAndNameWhereTheProgramKeepsItsWritableFilesToo) {
  EXPECT_EQ(ZAVExeFolderFile(std::wstring(5000, L'n').c_str()), kFolder + std::wstring(5000, L'n'));
  EXPECT_EQ(GetWritableFolder(ZAV_WRITABLE_STATE), kFolder);  // a writable folder keeps them
  EXPECT_EQ(GetWritableFilePath(L"Config.ini", ZAV_WRITABLE_CONFIG), kFolder + L"Config.ini");
}

TEST(ExePathTest, TheBufferFormNeverWritesPastTheCapacityAndAlwaysTerminates) {
  const std::wstring full = kFolder + L"strings.xml";
  for (std::size_t capacity : {std::size_t{1}, std::size_t{5}, full.size(), full.size() + 1}) {
    std::wstring buffer(capacity + 8, L'#');
    GetFileNameFromExePath(L"strings.xml", buffer.data(), capacity);
    const std::size_t kept = std::min(full.size(), capacity - 1);
    EXPECT_EQ(buffer.substr(0, kept), full.substr(0, kept)) << capacity;
    EXPECT_EQ(buffer[kept], L'\0') << capacity;
    EXPECT_EQ(buffer.substr(capacity), std::wstring(8, L'#')) << capacity;
  }
  wchar_t out[1024];
  GetFileNameFromExePath(nullptr, out, 1024);
  EXPECT_EQ(std::wstring(out), kFolder);
  wchar_t untouched = L'#';
  GetFileNameFromExePath(L"x", &untouched, 0);
  EXPECT_EQ(untouched, L'#');
}

}  // namespace
