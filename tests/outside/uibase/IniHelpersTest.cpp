#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>
#include <vector>

#include "ZAVUIBase.h"
#include "outside/uibase/TempFolder.h"

namespace {

using namespace std::string_literals;

class IniHelpersTest : public ::testing::Test {
 protected:
  int Read(const wchar_t* key, int fallback = -3) const {
    return ReadIniInt(L"Config", key, fallback, ini.c_str());
  }
  bool Write(const wchar_t* section, const wchar_t* key, int value) const {
    return WriteIniInt(section, key, value, ini.c_str());
  }
  std::string Bytes() const { return TempFolder::Read(folder.File("Config.ini")); }

  TempFolder folder;
  const std::wstring ini = folder.WideFile("Config.ini");
};

TEST_F(IniHelpersTest, WrittenValuesReadBackAnyCaseAndMissingOrMalformedOnesGiveTheDefault) {
  EXPECT_EQ(Read(L"Language", -1), -1);           // no file yet
  ASSERT_TRUE(Write(L"Config", L"Language", 2));  // creates the file
  ASSERT_TRUE(Write(L"Config", L"ServoNum", -16));
  ASSERT_TRUE(Write(L"cOnFiG", L"LANGUAGE", 1));  // names keep their first spelling
  EXPECT_EQ(Bytes(), "[Config]\nLanguage=1\nServoNum=-16\n");
  EXPECT_EQ(ReadIniInt(L"CONFIG", L"servonum", -1, ini.c_str()), -16);
  EXPECT_EQ(Read(L"ID1", 90), 90);                                  // missing key
  EXPECT_EQ(ReadIniInt(L"Other", L"Language", 7, ini.c_str()), 7);  // missing section
  EXPECT_EQ(ReadIniString(L"Config", L"Language", L"x", ini.c_str()), L"1");
  EXPECT_EQ(ReadIniString(L"Config", L"Nothing", L"Error", ini.c_str()), L"Error");
  folder.Write("Config.ini", "[Config]\nA=Error\nB=\nC=12abc\nD=99999999999\nE= 42 \n");
  for (const wchar_t* key : {L"A", L"B", L"C", L"D"}) EXPECT_EQ(Read(key), -3) << key;
  EXPECT_EQ(Read(L"E"), 42);
}

TEST_F(IniHelpersTest, WritingOneKeyKeepsEveryOtherByteAndThePermissions) {
  const std::string before =
      "; Caltrim settings\n\n\n"
      "[Config]\nLanguage=2\n\n; servo count\nServoNum=16\nID1=120\n"
      "Name=\xe6\xa0\xa1\xe5\x87\x86 a=b\n\n\n"
      "[Settings]\nServer=http://127.0.0.1:8080\n";
  folder.Write("Config.ini", before);
  ::chmod(folder.File("Config.ini").c_str(), 0640);
  // A second name for the old file keeps the old bytes only if the new file replaced it whole.
  std::filesystem::create_hard_link(folder.File("Config.ini"), folder.File("old"));
  ASSERT_TRUE(Write(L"Config", L"ServoNum", 20));
  std::string expected = before;
  expected.replace(expected.find("ServoNum=16"), 11, "ServoNum=20");
  EXPECT_EQ(Bytes(), expected);
  EXPECT_EQ(TempFolder::Read(folder.File("old")), before);
  EXPECT_EQ(folder.Entries(), 2u) << "no temporary file left";
  struct stat st {};
  ::stat(folder.File("Config.ini").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // A new key goes to the end of its section, a new section to the end of the file.
  ASSERT_TRUE(Write(L"Config", L"ID2", 100));
  ASSERT_TRUE(Write(L"New", L"Key", 5));
  expected.insert(expected.find("\n\n\n[Settings]") + 1, "ID2=100\n");
  expected += "\n\n[New]\nKey=5\n";
  EXPECT_EQ(Bytes(), expected);
  EXPECT_EQ(ReadIniString(L"Config", L"Name", L"", ini.c_str()), L"\u6821\u51c6 a=b");
}

TEST_F(IniHelpersTest, AWriteThatCannotBeDoneFailsAndReplacesNothing) {
  // Config.ini exists but is no readable file.
  std::filesystem::create_directories(folder.Path() / "Config.ini" / "inside");
  EXPECT_FALSE(Write(L"Config", L"Language", 2));
  EXPECT_TRUE(std::filesystem::is_directory(folder.Path() / "Config.ini" / "inside"));
  EXPECT_EQ(folder.Entries(), 1u);
  EXPECT_FALSE(WriteIniInt(L"Config", L"Language", 2, folder.WideFile("no/such/a.ini").c_str()));
}

TEST_F(IniHelpersTest, AWriteThatWouldNotReadBackAsItWasReadIsRefused) {
  // SimpleIni drops a line without "=", so the rewrite would open with the bytes after it: read
  // as a UTF-16 mark, or as a second UTF-8 mark, which SimpleIni strips from the next key.
  for (const std::string before : {"no equals sign\n\xFE\xFFx=1\n[Config]\nServoNum=20\n",
                                   "\xEF\xBB\xBFno equals sign\n\xEF\xBB\xBFx=1\n[Config]\nServoNum=20\n"}) {
    folder.Write("Config.ini", before);
    EXPECT_EQ(Read(L"ServoNum"), 20);
    EXPECT_FALSE(Write(L"Config", L"Language", 2));
    EXPECT_EQ(Bytes(), before);
  }
}

// The text as UTF-16 with its byte-order mark, little- or big-endian (BMP characters only).
std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes;
  for (char16_t c : u"\uFEFF" + text) {
    const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST_F(IniHelpersTest, AFileIsWrittenBackInItsOwnEncodingOrNotAtAllWhenItIsNoText) {
  const std::u16string before = u"[Config]\r\nServoNum=20\r\nID1=95\r\nName=\u6821\u51c6\r\n";
  const std::u16string after = before + u"Language=2\r\n";
  std::string random(600, '\0');
  for (std::size_t i = 0, x = 12345; i < random.size(); ++i, x = x * 1103515245 + 12345) {
    random[i] = static_cast<char>(x >> 16);
  }
  const struct {
    const char* name;
    std::string before, after;  // after empty: the write fails and the file stays as it was
  } cases[] = {
      {"UTF-16LE", Utf16(before, false), Utf16(after, false)},
      {"UTF-16BE", Utf16(before, true), Utf16(after, true)},
      {"UTF-8 with a mark", "\xEF\xBB\xBF[Config]\nServoNum=20\nID1=95\n",
       "\xEF\xBB\xBF[Config]\nServoNum=20\nID1=95\nLanguage=2\n"},
      {"random bytes", random, ""},
      {"a zero byte", "[Config]\nServoNum=20\n\0ID1=95\n"s, ""},
      {"UTF-16LE, a lone surrogate", Utf16(u"[Config]\nServoNum=20\nID1=95\n\xD800", false), ""},
      // Read as it stands, the keys after it would land in a section named across the line end,
      // and every write would add a line.
      {"a section header without its ]", "[Config]\nServoNum=20\nID1=95\n[Settings\nServer=x\n", ""},
  };
  for (const auto& c : cases) {
    folder.Write("Config.ini", c.before);
    const bool readable = !c.after.empty();
    EXPECT_EQ(Read(L"ServoNum"), readable ? 20 : -3) << c.name;
    EXPECT_EQ(ReadIniString(L"Config", L"ID1", L"", ini.c_str()), readable ? L"95" : L"") << c.name;
    EXPECT_EQ(Write(L"Config", L"Language", 2), readable) << c.name;
    EXPECT_EQ(Bytes(), readable ? c.after : c.before) << c.name;
    EXPECT_EQ(folder.Entries(), 1u) << c.name;
  }
}

TEST_F(IniHelpersTest, ConcurrentWritersOfOneFileLoseNoKey) {
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([this, t] {
      for (int n = t * 10; n < t * 10 + 10; ++n)
        Write(L"Config", (L"ID" + std::to_wstring(n)).c_str(), n);
    });
  }
  for (auto& writer : writers) writer.join();
  for (int n = 0; n < 40; ++n) EXPECT_EQ(Read((L"ID" + std::to_wstring(n)).c_str()), n) << n;
}

}  // namespace
