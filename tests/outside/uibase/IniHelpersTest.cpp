#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>
#include <vector>

#include "TempFolder.h"
#include "ZAVUIBase.h"

namespace {

class IniHelpersTest : public ::testing::Test {
 protected:
  std::wstring Path(const std::string& name) const { return (folder_ / name).wstring(); }
  TempFolder folder_;
};

TEST_F(IniHelpersTest, WrittenValuesReadBackAndMissingOnesGiveTheDefault) {
  const std::wstring ini = Path("Config.ini");
  EXPECT_EQ(ReadIniInt(L"Config", L"Language", -1, ini.c_str()), -1);  // no file yet
  ASSERT_TRUE(WriteIniInt(L"Config", L"Language", 2, ini.c_str()));  // creates the file
  ASSERT_TRUE(WriteIniInt(L"Config", L"ServoNum", -16, ini.c_str()));
  EXPECT_EQ(ReadIniInt(L"Config", L"Language", -1, ini.c_str()), 2);
  EXPECT_EQ(ReadIniInt(L"Config", L"ServoNum", 0, ini.c_str()), -16);
  EXPECT_EQ(ReadIniInt(L"Config", L"ID1", 90, ini.c_str()), 90);     // missing key
  EXPECT_EQ(ReadIniInt(L"Other", L"Language", 7, ini.c_str()), 7);   // missing section
  EXPECT_EQ(ReadIniString(L"Config", L"Language", L"x", ini.c_str()), L"2");
  EXPECT_EQ(ReadIniString(L"Config", L"Nothing", L"Error", ini.c_str()), L"Error");
  EXPECT_EQ(ReadIniString(L"Config", L"Nothing", nullptr, ini.c_str()), L"");
  EXPECT_EQ(ReadFile(folder_ / "Config.ini"), "[Config]\nLanguage=2\nServoNum=-16\n");

  ASSERT_TRUE(WriteIniInt(L"Config", L"Language", 1, ini.c_str()));
  EXPECT_EQ(ReadIniInt(L"Config", L"Language", -1, ini.c_str()), 1);
}

TEST_F(IniHelpersTest, ValuesThatAreNotWholeNumbersGiveTheDefault) {
  WriteFile(folder_ / "a.ini",
            "[Config]\nServoNum=Error\nEmpty=\nPart=12abc\nHuge=99999999999\nSpaced= 42 \n");
  const std::wstring ini = Path("a.ini");
  EXPECT_EQ(ReadIniInt(L"Config", L"ServoNum", -3, ini.c_str()), -3);
  EXPECT_EQ(ReadIniInt(L"Config", L"Empty", -3, ini.c_str()), -3);
  EXPECT_EQ(ReadIniInt(L"Config", L"Part", -3, ini.c_str()), -3);
  EXPECT_EQ(ReadIniInt(L"Config", L"Huge", -3, ini.c_str()), -3);
  EXPECT_EQ(ReadIniInt(L"Config", L"Spaced", -3, ini.c_str()), 42);
}

TEST_F(IniHelpersTest, NamesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
  WriteFile(folder_ / "Config.ini", "[Config]\nLanguage=1\n");
  const std::wstring ini = Path("Config.ini");
  EXPECT_EQ(ReadIniInt(L"CONFIG", L"language", -1, ini.c_str()), 1);
  EXPECT_EQ(ReadIniString(L"config", L"LANGUAGE", L"", ini.c_str()), L"1");
  ASSERT_TRUE(WriteIniInt(L"cOnFiG", L"LANGUAGE", 2, ini.c_str()));
  EXPECT_EQ(ReadFile(folder_ / "Config.ini"), "[Config]\nLanguage=2\n");
}

TEST_F(IniHelpersTest, WritingOneKeyKeepsCommentsOrderAndEveryOtherEntry) {
  // A file in the layout the helpers write: every byte but the one value stays as it was.
  const std::string before =
      "; Caltrim settings\n"
      "\n"
      "\n"
      "[Config]\n"
      "Language=2\n"
      "\n"
      "; servo count\n"
      "ServoNum=16\n"
      "ID1=120\n"
      "Name=\xe6\xa0\xa1\xe5\x87\x86 a=b\n"
      "\n"
      "\n"
      "[Settings]\n"
      "Server=http://127.0.0.1:8080\n";
  WriteFile(folder_ / "Config.ini", before);
  const std::wstring ini = Path("Config.ini");
  ASSERT_TRUE(WriteIniInt(L"Config", L"ServoNum", 20, ini.c_str()));
  std::string expected = before;
  expected.replace(expected.find("ServoNum=16"), 11, "ServoNum=20");
  EXPECT_EQ(ReadFile(folder_ / "Config.ini"), expected);

  // A new key goes to the end of its section, a new section to the end of the file.
  ASSERT_TRUE(WriteIniInt(L"Config", L"ID2", 100, ini.c_str()));
  ASSERT_TRUE(WriteIniInt(L"New", L"Key", 5, ini.c_str()));
  expected.insert(expected.find("\n\n\n[Settings]") + 1, "ID2=100\n");
  expected += "\n\n[New]\nKey=5\n";
  EXPECT_EQ(ReadFile(folder_ / "Config.ini"), expected);
  EXPECT_EQ(ReadIniString(L"Config", L"Name", L"", ini.c_str()), L"\u6821\u51c6 a=b");
}

TEST_F(IniHelpersTest, HandWrittenLayoutKeepsEveryEntryAndComment) {
  WriteFile(folder_ / "sys.ini",
            "# hand written\n[Settings]\nServer = http://host/\n\n[Config]\nLanguage = 1\n");
  const std::wstring ini = Path("sys.ini");
  ASSERT_TRUE(WriteIniInt(L"Config", L"Language", 2, ini.c_str()));
  const std::string after = ReadFile(folder_ / "sys.ini");
  EXPECT_NE(after.find("# hand written\n"), std::string::npos) << after;
  EXPECT_LT(after.find("[Settings]"), after.find("[Config]")) << after;
  EXPECT_EQ(ReadIniString(L"Settings", L"Server", L"", ini.c_str()), L"http://host/");
  EXPECT_EQ(ReadIniInt(L"Config", L"Language", -1, ini.c_str()), 2);
}

TEST_F(IniHelpersTest, WriteKeepsPermissionsAndLeavesNoTemporaryFile) {
  WriteFile(folder_ / "Config.ini", "[Config]\nLanguage=1\n");
  ::chmod((folder_ / "Config.ini").c_str(), 0640);
  ASSERT_TRUE(WriteIniInt(L"Config", L"Language", 2, Path("Config.ini").c_str()));
  struct stat st {};
  ::stat((folder_ / "Config.ini").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(CountEntries(folder_.path()), 1u);
}

TEST_F(IniHelpersTest, AFileThatCannotBeReadIsNeverReplaced) {
  std::filesystem::create_directory(folder_ / "Config.ini");  // exists, but is no readable file
  std::filesystem::create_directory(folder_ / "Config.ini" / "inside");
  EXPECT_FALSE(WriteIniInt(L"Config", L"Language", 2, Path("Config.ini").c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "Config.ini" / "inside"));
  EXPECT_EQ(CountEntries(folder_.path()), 1u);
  EXPECT_EQ(ReadIniInt(L"Config", L"Language", -1, Path("Config.ini").c_str()), -1);
}

TEST_F(IniHelpersTest, AMissingFolderFailsTheWrite) {
  EXPECT_FALSE(WriteIniInt(L"Config", L"Language", 2, Path("no/such/Config.ini").c_str()));
  EXPECT_FALSE(WriteIniInt(nullptr, L"Language", 2, Path("Config.ini").c_str()));
  EXPECT_EQ(ReadIniInt(L"Config", L"Language", 4, nullptr), 4);
}

TEST_F(IniHelpersTest, ConcurrentWritersOfOneFileLoseNoKey) {
  const std::wstring ini = Path("Config.ini");
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < 10; ++i) {
        const std::wstring key = L"ID" + std::to_wstring(t * 10 + i);
        WriteIniInt(L"Config", key.c_str(), t * 10 + i, ini.c_str());
      }
    });
  }
  for (auto& writer : writers) writer.join();
  for (int n = 0; n < 40; ++n) {
    const std::wstring key = L"ID" + std::to_wstring(n);
    EXPECT_EQ(ReadIniInt(L"Config", key.c_str(), -1, ini.c_str()), n) << n;
  }
}

}  // namespace
