#include "AtomicFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

#include "outside/uibase/TempFolder.h"

namespace {

using zavuibase::ReplaceFileContents;

std::string g_oldAtRename;
std::string g_newAtRename;
bool g_crash = false;

// The step that puts the new file in place. It records what both files held when the switch was
// due, then fails as a crash at that moment would, or goes ahead.
int RenameStep(const char* from, const char* to) {
  g_newAtRename = TempFolder::Read(from);
  g_oldAtRename = TempFolder::Read(to);
  if (!g_crash) return std::rename(from, to);
  errno = EIO;
  return -1;
}

TEST(AtomicFileTest, TheNewContentIsCompleteBeforeTheSwitchAndAFailedSwitchKeepsTheOldFile) {
  TempFolder folder;
  const std::string old = "; keep me\n[Config]\nLanguage=1\nServoNum=16\n";
  const std::string path = folder.Write("Config.ini", old);

  g_crash = true;
  EXPECT_FALSE(ReplaceFileContents(path, "[Config]\nLanguage=2\n", &RenameStep));
  EXPECT_EQ(g_newAtRename, "[Config]\nLanguage=2\n");
  EXPECT_EQ(TempFolder::Read(path), old);
  EXPECT_EQ(folder.Entries(), 1u) << "the temporary file is removed";

  g_crash = false;
  ASSERT_TRUE(ReplaceFileContents(path, "[Config]\nLanguage=3\n", &RenameStep));
  EXPECT_EQ(g_oldAtRename, old);
  EXPECT_EQ(g_newAtRename, "[Config]\nLanguage=3\n");
  EXPECT_EQ(TempFolder::Read(path), "[Config]\nLanguage=3\n");
  EXPECT_EQ(folder.Entries(), 1u);
}

}  // namespace
