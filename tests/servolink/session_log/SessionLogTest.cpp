#include "session/SessionLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ZAVServoSocket.h"
#include "support/LinkSpies.h"

using namespace servolink;

namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace {

// The exact form of every kind of line is checked on a whole session run (SessionTest).
// Every run starts "at" 5 March 2021 09:07:04 unless a case moves the clock, in a folder of its own.
class SessionLogTest : public ::testing::Test {
 protected:
  SessionLogTest() { logs_.SetTime({2021, 3, 5, 9, 7, 4}); }
  void TearDown() override { log_.Close(L""); }
  fs::path Day(const char* day) const { return logs_.Folder() / "Log" / day; }
  fs::path Renamed() const { return Day("Log2021-3-5") / "2021-3-5(9_7_4)_ID(Vorla2_0001).log"; }

  TempLogFolder logs_;
  SessionLog log_;
};

TEST_F(SessionLogTest, DatedFolderAndFileWithoutLeadingZerosAndARunKeepsTheDayItStartedOn) {
  ASSERT_TRUE(log_.Initial());
  const fs::path first = Day("Log2021-3-5") / "2021-3-5(9_7_4).log";
  EXPECT_TRUE(log_.IsOpen());
  EXPECT_EQ(log_.Path(), first.string());
  EXPECT_THAT(LogBodies(first), ElementsAre("<Initial>Initial!"));
  log_.Close(L"");

  logs_.SetTime({2021, 12, 25, 23, 59, 59});
  log_.Initial();
  logs_.SetTime({2021, 12, 26, 0, 0, 1});
  log_.Connect("after midnight");
  log_.Close(L"Vorla2_0001");
  EXPECT_THAT(logs_.Files(), ElementsAre("Log/Log2021-12-25/2021-12-25(23_59_59)_ID(Vorla2_0001).log",
                                         fs::relative(first, logs_.Folder())));
  // The next run, started after midnight, opens the new day's folder.
  log_.Initial();
  EXPECT_EQ(log_.Path(), (Day("Log2021-12-26") / "2021-12-26(0_0_1).log").string());
}

TEST_F(SessionLogTest, CloseWritesTheLastLineRenamesTheFileAndEndsAllWritingUntilTheNextStart) {
  log_.Close(L"Vorla2_0001");  // before any start: nothing at all
  log_.Connect("Connectting!");
  EXPECT_TRUE(logs_.Files().empty());

  log_.Initial();
  const std::string first = log_.Path();
  log_.Close(L"Vorla2_0001");
  EXPECT_FALSE(log_.IsOpen());
  EXPECT_EQ(log_.Path(), "");
  EXPECT_THAT(logs_.Files(), ElementsAre(fs::relative(Renamed(), logs_.Folder())));
  const std::uint8_t one[] = {0x07};
  log_.Connect("Connectting!");
  log_.Send(0x0E, one, 1);
  log_.Recv(0x0E, one, 1);
  log_.Dropped(1);
  log_.Close(L"Vorla2_0001");
  EXPECT_THAT(LogBodies(Renamed()), ElementsAre("<Initial>Initial!", "<DisConnect>Connection is down!"));
  EXPECT_EQ(logs_.Files().size(), 1u);

  // A second run in the same second shares the first path: the earlier run's final file is not
  // overwritten, and without a robot name the file keeps its first name.
  log_.Initial();
  EXPECT_EQ(log_.Path(), first);
  log_.Connect("second run");
  log_.Close(L"Vorla2_0001");
  EXPECT_THAT(LogBodies(Renamed()), ElementsAre("<Initial>Initial!", "<DisConnect>Connection is down!"));
  EXPECT_THAT(LogBodies(first),
              ElementsAre("<Initial>Initial!", "<Connect>second run", "<DisConnect>Connection is down!"));
  // A new start without a stop closes the earlier file unrenamed and appends to it.
  log_.Initial();
  log_.Initial();
  log_.Connect("third run");
  log_.Close(L"");
  EXPECT_THAT(LogBodies(first), ElementsAre("<Initial>Initial!", "<Connect>second run",
                                            "<DisConnect>Connection is down!", "<Initial>Initial!",
                                            "<Initial>Initial!", "<Connect>third run",
                                            "<DisConnect>Connection is down!"));
}

TEST_F(SessionLogTest, ATaggedProcessNamesItsFilesApartAndTheLoggingLibraryKeepsTheConsoleQuiet) {
  ZAVSetSessionLogTag("cli/4242");  // a '/' would make a folder of it
  // The logging library's own diagnostics would go to standard output.
  testing::internal::CaptureStdout();
  log_.Initial();
  log_.Close(L"Vorla2_0001");
  const std::string console = testing::internal::GetCapturedStdout();
  ZAVSetSessionLogTag(nullptr);
  EXPECT_THAT(logs_.Files(), ElementsAre("Log/Log2021-3-5/2021-3-5(9_7_4)_cli_4242_ID(Vorla2_0001).log"));
  EXPECT_EQ(console, "");
  // Untagged again: the plain name.
  log_.Initial();
  EXPECT_EQ(log_.Path(), (Day("Log2021-3-5") / "2021-3-5(9_7_4).log").string());
}

TEST_F(SessionLogTest, RollsAt5120BytesKeepingFiveBackupsUnderTheirOwnNames) {
  log_.Initial();
  const std::uint8_t five[] = {0x01, 0x00, 0x78, 0x03, 0xE8};
  // About 70 bytes a line: some 40 000 bytes, enough to roll past the fifth backup.
  for (int i = 0; i < 570; ++i) log_.Send(0x05, five, 5);
  log_.Close(L"Vorla2_0001");

  const fs::path folder = Day("Log2021-3-5");
  const std::string line = "00/00/0000 00:00:00 - <Send>(Type)0x05 * 0x01-0x00-0x78-0x03-0xE8 \n";
  std::vector<fs::path> expected;
  for (int i = 1; i <= 5; ++i) expected.push_back("Log/Log2021-3-5/2021-3-5(9_7_4).log." + std::to_string(i));
  expected.push_back(fs::relative(Renamed(), logs_.Folder()));
  EXPECT_EQ(logs_.Files(), expected);
  for (const fs::path& name : expected) {
    EXPECT_LE(fs::file_size(logs_.Folder() / name), 5120u + line.size()) << name;
    const auto bodies = LogBodies(logs_.Folder() / name);
    ASSERT_FALSE(bodies.empty()) << name;
    EXPECT_EQ(bodies.front(), "<Send>(Type)0x05 * 0x01-0x00-0x78-0x03-0xE8 ") << name;
  }
  EXPECT_EQ(LogBodies(Renamed()).back(), "<DisConnect>Connection is down!");
}

}  // namespace
