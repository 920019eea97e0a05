#include "app/FileVersion.h"

#include <elf.h>

#include <cstring>

#include <gtest/gtest.h>

#include "tool/app/TempFolder.h"

namespace {

std::wstring Wide(const char* path) { return std::filesystem::path(path).wstring(); }

TEST(FileVersionTest, ReadsTheVersionTheBuildPutIntoTheFile) {
  EXPECT_EQ(GetFileVersionText(Wide(CALTRIM_PROBE_1_2_3_4)), L"1.2.3.4");
  EXPECT_EQ(GetFileVersionText(Wide(CALTRIM_PROGRAM)), Wide(CALTRIM_PROJECT_VERSION));
  EXPECT_EQ(GetFileVersionText(Wide(CALTRIM_PROGRAM)), L"1.0.0.4");
}

TEST(FileVersionTest, PartsUpTo65535PrintUnsigned) {
  EXPECT_EQ(GetFileVersionText(Wide(CALTRIM_PROBE_65535)), L"65535.65534.0.65535");
}

TEST(FileVersionTest, FilesWithoutTheNoteGiveZeros) {
  EXPECT_EQ(GetFileVersionText(RunningExecutablePath()), L"0.0.0.0") << "this test program";
  EXPECT_EQ(GetFileVersionText(L""), L"0.0.0.0");
  EXPECT_EQ(GetFileVersionText(L"/no/such/file"), L"0.0.0.0");
  EXPECT_EQ(GetFileVersionText(L"/tmp"), L"0.0.0.0") << "a folder";
  TempFolder folder;
  folder.Write("text", "not a program at all");
  EXPECT_EQ(GetFileVersionText(folder.WideFile("text")), L"0.0.0.0");
}

// Copies of the program, cut or damaged, must give zeros rather than garbage or a crash.
class DamagedProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { program = TempFolder::Read(CALTRIM_PROGRAM); }

  std::wstring Save(const std::string& bytes) {
    folder.Write("copy", bytes);
    return folder.WideFile("copy");
  }

  Elf64_Ehdr Header() const {
    Elf64_Ehdr eh;
    std::memcpy(&eh, program.data(), sizeof eh);
    return eh;
  }

  TempFolder folder;
  std::string program;
};

TEST_F(DamagedProgramTest, AWholeCopyStillReads) {
  EXPECT_EQ(GetFileVersionText(Save(program)), L"1.0.0.4");
}

TEST_F(DamagedProgramTest, CutCopiesGiveZeros) {
  EXPECT_EQ(GetFileVersionText(Save(program.substr(0, 10))), L"0.0.0.0");
  EXPECT_EQ(GetFileVersionText(Save(program.substr(0, sizeof(Elf64_Ehdr)))), L"0.0.0.0");
  EXPECT_EQ(GetFileVersionText(Save(program.substr(0, program.size() / 2))), L"0.0.0.0")
      << "section headers sit at the end";
}

TEST_F(DamagedProgramTest, HeadersPointingOutsideTheFileGiveZeros) {
  Elf64_Ehdr eh = Header();
  eh.e_shoff = program.size() + 4096;
  std::string bytes = program;
  std::memcpy(bytes.data(), &eh, sizeof eh);
  EXPECT_EQ(GetFileVersionText(Save(bytes)), L"0.0.0.0");

  eh = Header();
  eh.e_shstrndx = static_cast<Elf64_Half>(eh.e_shnum + 5);
  bytes = program;
  std::memcpy(bytes.data(), &eh, sizeof eh);
  EXPECT_EQ(GetFileVersionText(Save(bytes)), L"0.0.0.0");

  eh = Header();
  eh.e_shentsize = 12;
  bytes = program;
  std::memcpy(bytes.data(), &eh, sizeof eh);
  EXPECT_EQ(GetFileVersionText(Save(bytes)), L"0.0.0.0");
}

TEST_F(DamagedProgramTest, AWrongNoteOwnerIsNotTheVersion) {
  std::string bytes = program;
  const std::string owner("Caltrim\0", 8);
  const std::size_t at = bytes.find(std::string("\x08\0\0\0\x08\0\0\0\x01\0\0\0", 12) + owner);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 12] = 'X';
  EXPECT_EQ(GetFileVersionText(Save(bytes)), L"0.0.0.0");
}

}  // namespace
