#include "AtomicFile.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "IniFile.h"
#include "TempFolder.h"

namespace {

using zavuibase::IniFile;
using zavuibase::ReplaceFileContents;

std::string g_target;
std::string g_targetAtRename;
std::string g_tempAtRename;

// A rename that fails as a crash at that moment would: the new file never takes the old one's
// place. It records what both files held when the switch was due.
int FailingRename(const char* from, const char* to) {
  g_tempAtRename = ReadFile(from);
  g_targetAtRename = ReadFile(to);
  errno = EIO;
  return -1;
}

int RecordingRename(const char* from, const char* to) {
  g_tempAtRename = ReadFile(from);
  g_targetAtRename = ReadFile(to);
  return std::rename(from, to);
}

TEST(AtomicFileTest, TheNewContentIsCompleteBeforeItReplacesTheOldFile) {
  TempFolder folder;
  const std::string path = folder / "Config.ini";
  WriteFile(path, "[Config]\nLanguage=1\n");
  ASSERT_TRUE(ReplaceFileContents(path, "[Config]\nLanguage=2\n", &RecordingRename));
  EXPECT_EQ(g_targetAtRename, "[Config]\nLanguage=1\n");
  EXPECT_EQ(g_tempAtRename, "[Config]\nLanguage=2\n");
  EXPECT_EQ(ReadFile(path), "[Config]\nLanguage=2\n");
  EXPECT_EQ(CountEntries(folder.path()), 1u);
}

TEST(AtomicFileTest, AnInterruptedReplaceLeavesTheOldFileWholeAndNoTemporary) {
  TempFolder folder;
  const std::string path = folder / "Config.ini";
  const std::string old = "; keep me\n[Config]\nLanguage=1\nServoNum=16\n";
  WriteFile(path, old);
  EXPECT_FALSE(ReplaceFileContents(path, "[Config]\nLanguage=2\n", &FailingRename));
  EXPECT_EQ(g_tempAtRename, "[Config]\nLanguage=2\n");
  EXPECT_EQ(ReadFile(path), old);
  EXPECT_EQ(CountEntries(folder.path()), 1u);

  // The same through the ini file: a failed save changes nothing on disk.
  IniFile ini;
  ASSERT_EQ(ini.Load(path), IniFile::LoadResult::kLoaded);
  ASSERT_TRUE(ini.Set("config", "language", "3"));
  EXPECT_FALSE(ini.Save(path, &FailingRename));
  EXPECT_EQ(ReadFile(path), old);
  EXPECT_EQ(CountEntries(folder.path()), 1u);
}

TEST(AtomicFileTest, LoadTellsAMissingFileFromOneThatCannotBeRead) {
  TempFolder folder;
  IniFile ini;
  EXPECT_EQ(ini.Load(folder / "none.ini"), IniFile::LoadResult::kMissing);
  EXPECT_EQ(ini.Load(folder.path()), IniFile::LoadResult::kFailed);
  WriteFile(folder / "a.ini", "[A]\nb=c\n");
  EXPECT_EQ(ini.Load(folder / "a.ini"), IniFile::LoadResult::kLoaded);
  ASSERT_NE(ini.Get("a", "B"), nullptr);
  EXPECT_STREQ(ini.Get("a", "B"), "c");
  EXPECT_EQ(ini.Get("a", "x"), nullptr);
}

}  // namespace
