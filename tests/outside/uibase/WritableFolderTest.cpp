#include "WritableFolder.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "outside/uibase/TempFolder.h"

namespace {

TEST(WritableFolderTest, AWritableProgramFolderKeepsItsFilesElseTheOperatorsXdgFolders) {
  const struct {
    const char* what;
    bool exeFolderWritable;
    std::map<std::string, std::string> env;
    std::string passwdHome;
    const char *config, *state;
  } cases[] = {
      {"build tree", true, {{"HOME", "/home/op"}, {"XDG_CONFIG_HOME", "/x"}}, "", "/opt/app/", "/opt/app/"},
      {"installed, defaults", false, {{"HOME", "/home/op"}}, "/etc-home", "/home/op/.config/Caltrim/",
       "/home/op/.local/state/Caltrim/"},
      {"installed, XDG set", false, {{"HOME", "/home/op"}, {"XDG_CONFIG_HOME", "/cfg/"}, {"XDG_STATE_HOME", "/st"}},
       "", "/cfg/Caltrim/", "/st/Caltrim/"},
      {"relative or empty XDG ignored", false,
       {{"HOME", "/home/op"}, {"XDG_CONFIG_HOME", "rel"}, {"XDG_STATE_HOME", ""}}, "", "/home/op/.config/Caltrim/",
       "/home/op/.local/state/Caltrim/"},
      {"no HOME: user database", false, {}, "/var/op", "/var/op/.config/Caltrim/", "/var/op/.local/state/Caltrim/"},
      {"no home at all", false, {{"HOME", ""}}, "", "/opt/app/", "/opt/app/"},
  };
  for (const auto& c : cases) {
    zavuibase::WritableFolderFacts facts{"/opt/app/", c.exeFolderWritable, nullptr, c.passwdHome};
    facts.env = [&c](const char* name) -> const char* {
      const auto found = c.env.find(name);
      return found == c.env.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(ChooseWritableFolder(facts, ZAV_WRITABLE_CONFIG), c.config) << c.what;
    EXPECT_EQ(ChooseWritableFolder(facts, ZAV_WRITABLE_STATE), c.state) << c.what;
  }
}

TEST(WritableFolderTest, SeedingCopiesTheShippedFileOnceAndNeverOverAnOperatorsFile) {
  TempFolder folder;
  const std::string shipped = folder.Write("shipped.ini", "[Config]\nServoNum=16\n");
  ::chmod(shipped.c_str(), 0444);
  const std::string own = folder.File("own.ini");
  ASSERT_TRUE(zavuibase::SeedFile(shipped, own));
  EXPECT_EQ(TempFolder::Read(own), "[Config]\nServoNum=16\n");
  struct stat st {};
  ::stat(own.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0644u) << "the operator may write the copy";
  folder.Write("own.ini", "[Config]\nLanguage=2\n");
  EXPECT_TRUE(zavuibase::SeedFile(shipped, own));
  EXPECT_EQ(TempFolder::Read(own), "[Config]\nLanguage=2\n");
  EXPECT_TRUE(zavuibase::SeedFile(folder.File("none.ini"), folder.File("other.ini")));
  EXPECT_FALSE(std::filesystem::exists(folder.File("other.ini")));
}

}  // namespace
