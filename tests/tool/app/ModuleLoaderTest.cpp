// Opening a module that is missing, is no library, or is another library: nothing loads, and the
// reason names the file.

#include <gtest/gtest.h>

#include <string>

#include "app/ModuleLoader.h"
#include "outside/uibase/TempFolder.h"

namespace {

TEST(ModuleLoaderTest, AModuleThatCannotServeIsRefusedWithTheFileAndTheReason) {
  TempFolder folder;
  folder.Write("libtruncated.so", "\x7f" "ELF, cut short by a broken copy");
  const struct {
    std::string module;
    const char* reason;
  } rows[] = {
      {folder.File("libmissing.so"), "No such file"},
      {folder.File("libtruncated.so"), "libtruncated.so"},
      // A real library of the program, but not a module with this entry.
      {std::string(CALTRIM_STAGE_DIR) + "/libZAVLChs.so", "has no CaltrimTestEntry"},
  };
  for (const auto& row : rows) {
    std::string error;
    EXPECT_EQ(LoadModuleEntry(row.module, "CaltrimTestEntry", &error), nullptr) << row.module;
    EXPECT_NE(error.find(row.reason), std::string::npos) << error;
    EXPECT_NE(error.find(row.module.substr(row.module.rfind('/') + 1)), std::string::npos) << error;
  }
}

}  // namespace
