#include "app/FileVersion.h"

#include <elf.h>

#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "outside/uibase/TempFolder.h"

namespace {

std::wstring Wide(const std::string& path) { return std::filesystem::path(path).wstring(); }

TEST(FileVersionTest, ReadsTheVersionTheBuildPutIntoTheFile) {
  EXPECT_EQ(GetFileVersionText(Wide(CALTRIM_PROBE_1_2_3_4)), L"1.2.3.4");
  EXPECT_EQ(GetFileVersionText(Wide(CALTRIM_PROBE_65535)), L"65535.65534.0.65535");
  EXPECT_EQ(GetFileVersionText(Wide(CALTRIM_PROGRAM)), L"1.0.0.4");
}

// Files without the version note, and copies of the program cut or damaged, give zeros rather
// than garbage or a crash.
TEST(FileVersionTest, FilesWithoutAWholeNoteGiveZeros) {
  const std::string program = TempFolder::Read(CALTRIM_PROGRAM);
  TempFolder folder;
  ASSERT_EQ(GetFileVersionText(Wide(folder.Write("copy", program))), L"1.0.0.4");
  const auto withHeader = [&](const std::function<void(Elf64_Ehdr&)>& change) {
    Elf64_Ehdr eh;
    std::memcpy(&eh, program.data(), sizeof eh);
    change(eh);
    std::string bytes = program;
    std::memcpy(bytes.data(), &eh, sizeof eh);
    return bytes;
  };
  std::string otherOwner = program;
  const std::size_t note =
      otherOwner.find(std::string("\x08\0\0\0\x08\0\0\0\x01\0\0\0Caltrim\0", 20));
  ASSERT_NE(note, std::string::npos);
  otherOwner[note + 12] = 'X';

  const std::pair<const char*, std::string> copies[] = {
      {"text", "not a program at all"},
      {"cut after the header", program.substr(0, sizeof(Elf64_Ehdr))},
      {"cut in half: section headers sit at the end", program.substr(0, program.size() / 2)},
      {"section headers past the end",
       withHeader([&](Elf64_Ehdr& eh) { eh.e_shoff = program.size() + 4096; })},
      {"name section out of range",
       withHeader([](Elf64_Ehdr& eh) { eh.e_shstrndx = eh.e_shnum + 5; })},
      {"wrong header entry size", withHeader([](Elf64_Ehdr& eh) { eh.e_shentsize = 12; })},
      {"note of another owner", otherOwner},
  };
  for (const auto& [what, bytes] : copies) {
    EXPECT_EQ(GetFileVersionText(Wide(folder.Write("copy", bytes))), L"0.0.0.0") << what;
  }
  EXPECT_EQ(GetFileVersionText(RunningExecutablePath()), L"0.0.0.0") << "this test program";
  EXPECT_EQ(GetFileVersionText(L"/no/such/file"), L"0.0.0.0");
}

}  // namespace
