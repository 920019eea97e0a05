#include "AtomicFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

#include "outside/uibase/TempFolder.h"

namespace {

std::string g_newAtRename;
bool g_crash = false;

// The step that puts the new file in place: it records what the new file held when the switch
// was due, then fails as a crash at that moment would, or goes ahead.
int RenameStep(const char* from, const char* to) {
  g_newAtRename = TempFolder::Read(from);
  if (!g_crash) return std::rename(from, to);
  errno = EIO;
  return -1;
}

TEST(AtomicFileTest, TheNewContentIsCompleteBeforeTheSwitchAndAFailedSwitchKeepsTheOldFile) {
  TempFolder folder;
  const std::string path = folder.Write("Config.ini", "; keep me\n[Config]\nLanguage=1\n");
  for (const bool crash : {true, false}) {
    g_crash = crash;
    EXPECT_EQ(zavuibase::ReplaceFileContents(path, "[Config]\nLanguage=2\n", &RenameStep), !crash);
    EXPECT_EQ(g_newAtRename, "[Config]\nLanguage=2\n");
    EXPECT_EQ(TempFolder::Read(path), crash ? "; keep me\n[Config]\nLanguage=1\n" : "[Config]\nLanguage=2\n");
    EXPECT_EQ(folder.Entries(), 1u) << "the temporary file is removed";
  }
}

}  // namespace
