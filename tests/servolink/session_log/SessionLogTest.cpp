#include "session/SessionLog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Runs the log at a moment of the test's choosing, in a folder of its own, so cases can run side
// by side and at fixed times.
class FixedEnvironment : public ISessionLogEnvironment {
 public:
  FixedEnvironment() {
    char pattern[] = "/tmp/session_log_XXXXXX";
    folder_ = ::mkdtemp(pattern);
  }
  ~FixedEnvironment() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::wstring BaseFolder() override { return base_.empty() ? folder_.wstring() + L"/" : base_; }
  SessionLogTime Now() override { return now_; }

  void SetTime(SessionLogTime t) { now_ = t; }
  void SetBase(const std::wstring& base) { base_ = base; }
  fs::path Folder() const { return folder_; }

 private:
  fs::path folder_;
  std::wstring base_;
  SessionLogTime now_{2021, 3, 5, 9, 7, 4};
};

std::vector<std::string> ReadLines(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// The part after the time stamp; fails the test when the stamp is not "MM/DD/YYYY HH:MM:SS - ".
std::string Body(const std::string& line) {
  static constexpr char kShape[] = "00/00/0000 00:00:00 - ";
  constexpr std::size_t kLength = sizeof kShape - 1;
  bool shaped = line.size() >= kLength;
  for (std::size_t i = 0; shaped && i < kLength; ++i) {
    shaped = kShape[i] == '0' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0
                              : line[i] == kShape[i];
  }
  EXPECT_TRUE(shaped) << line;
  return shaped ? line.substr(kLength) : line;
}

std::vector<std::string> Bodies(const fs::path& path) {
  std::vector<std::string> bodies;
  for (const std::string& line : ReadLines(path)) bodies.push_back(Body(line));
  return bodies;
}

std::vector<fs::path> AllFiles(const fs::path& root) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), root));
  }
  std::sort(files.begin(), files.end());
  return files;
}

class SessionLogTest : public ::testing::Test {
 protected:
  void SetUp() override { SetSessionLogEnvironment(&env_); }
  void TearDown() override {
    log_.Close(L"");
    SetSessionLogEnvironment(nullptr);
  }
  fs::path Day(const char* day) const { return env_.Folder() / "Log" / day; }

  FixedEnvironment env_;
  SessionLog log_;
};

using ::testing::ElementsAre;

TEST_F(SessionLogTest, FixedClockGivesDatedFolderAndFileWithoutLeadingZeros) {
  ASSERT_TRUE(log_.Initial());
  const fs::path expected = Day("Log2021-3-5") / "2021-3-5(9_7_4).log";
  EXPECT_TRUE(log_.IsOpen());
  EXPECT_EQ(log_.Path(), expected.string());
  EXPECT_THAT(Bodies(expected), ElementsAre("<Initial>Initial!"));

  log_.Close(L"");
  env_.SetTime({2021, 12, 25, 23, 59, 59});
  ASSERT_TRUE(log_.Initial());
  EXPECT_EQ(log_.Path(), (Day("Log2021-12-25") / "2021-12-25(23_59_59).log").string());
}

TEST_F(SessionLogTest, EachKindOfLineHasItsExactFormTrailingBlanksIncluded) {
  log_.Initial();
  const std::uint8_t one[] = {0x03};
  const std::uint8_t three[] = {0x03, 0xFF, 0x10};
  const std::uint8_t five[] = {0x01, 0x00, 0x78, 0x03, 0xE8};
  const std::uint8_t reply[] = {0x00, 0x03, 0x00, 0x5A};
  log_.Connect("Connectting!");
  log_.Connect("Connect Sucessed!");
  log_.Send(0x0D, one, 1);
  log_.Send(0x0C, three, 3);
  log_.Send(0x05, five, 5);
  log_.Recv(0x0D, reply, 4);
  log_.Recv(0x0D, nullptr, 0);
  log_.Connect("Connect Failed, error code 3!");
  const std::string path = log_.Path();
  EXPECT_THAT(Bodies(path),
              ElementsAre("<Initial>Initial!", "<Connect>Connectting!",
                          "<Connect>Connect Sucessed!", "<Send>(Type)0x0D * 0x03 ",
                          "<Send>(Type)0x0C * 0x03-0xFF-0x10",
                          "<Send>(Type)0x05 * 0x01-0x00-0x78-0x03-0xE8 ",
                          "<Recv>(Type)0x0D * 0x00-0x03-0x00-0x5A-", "<Recv>(Type)0x0D * ",
                          "<Connect>Connect Failed, error code 3!"));
}

TEST_F(SessionLogTest, CloseWritesLastLineAndRenamesOnlyTheCurrentFile) {
  log_.Initial();
  const std::uint8_t one[] = {0x07};
  log_.Send(0x0E, one, 1);
  log_.Close(L"Vorla2_0001");
  EXPECT_FALSE(log_.IsOpen());
  EXPECT_EQ(log_.Path(), "");

  const fs::path final = Day("Log2021-3-5") / "2021-3-5(9_7_4)_ID(Vorla2_0001).log";
  EXPECT_THAT(AllFiles(env_.Folder()), ElementsAre(fs::relative(final, env_.Folder())));
  EXPECT_THAT(Bodies(final), ElementsAre("<Initial>Initial!", "<Send>(Type)0x0E * 0x07 ",
                                         "<DisConnect>Connection is down!"));

  // Nothing is written between a close and the next start.
  log_.Connect("Connectting!");
  log_.Send(0x0E, one, 1);
  log_.Recv(0x0E, one, 1);
  log_.Close(L"Vorla2_0001");
  EXPECT_EQ(ReadLines(final).size(), 3u);
  EXPECT_EQ(AllFiles(env_.Folder()).size(), 1u);
}

TEST_F(SessionLogTest, CloseWithoutRobotNameKeepsTheFirstName) {
  log_.Initial();
  const std::string path = log_.Path();
  log_.Close(L"");
  EXPECT_THAT(Bodies(path), ElementsAre("<Initial>Initial!", "<DisConnect>Connection is down!"));
}

TEST_F(SessionLogTest, CloseBeforeAnyStartCreatesNothing) {
  log_.Close(L"Vorla2_0001");
  log_.Connect("Connectting!");
  EXPECT_FALSE(log_.IsOpen());
  EXPECT_TRUE(AllFiles(env_.Folder()).empty());
}

TEST_F(SessionLogTest, TwoRunsInOneSecondShareAPathAndNeitherLogIsLost) {
  log_.Initial();
  const std::string first = log_.Path();
  log_.Connect("first run");
  log_.Close(L"Vorla2_0001");

  log_.Initial();
  EXPECT_EQ(log_.Path(), first);
  log_.Connect("second run");
  log_.Close(L"Vorla2_0001");

  // The earlier run's final file is not overwritten; the later one keeps its first name.
  const fs::path renamed = Day("Log2021-3-5") / "2021-3-5(9_7_4)_ID(Vorla2_0001).log";
  EXPECT_THAT(Bodies(renamed), ElementsAre("<Initial>Initial!", "<Connect>first run",
                                           "<DisConnect>Connection is down!"));
  EXPECT_THAT(Bodies(first), ElementsAre("<Initial>Initial!", "<Connect>second run",
                                         "<DisConnect>Connection is down!"));
}

TEST_F(SessionLogTest, RestartWithoutCloseAppendsToTheSameSecondsFile) {
  log_.Initial();
  log_.Connect("first run");
  log_.Initial();  // a new start without a stop closes the earlier file unrenamed
  log_.Connect("second run");
  EXPECT_THAT(Bodies(log_.Path()),
              ElementsAre("<Initial>Initial!", "<Connect>first run", "<Initial>Initial!",
                          "<Connect>second run"));
}

TEST_F(SessionLogTest, RunPassingMidnightStaysInItsFirstDaysFolder) {
  env_.SetTime({2021, 3, 5, 23, 59, 59});
  log_.Initial();
  env_.SetTime({2021, 3, 6, 0, 0, 1});
  log_.Connect("after midnight");
  log_.Close(L"Vorla2_0001");
  EXPECT_THAT(AllFiles(env_.Folder()),
              ElementsAre(fs::path("Log/Log2021-3-5/2021-3-5(23_59_59)_ID(Vorla2_0001).log")));

  // The next run, started after midnight, opens the new day's folder.
  log_.Initial();
  EXPECT_EQ(log_.Path(), (Day("Log2021-3-6") / "2021-3-6(0_0_1).log").string());
}

TEST_F(SessionLogTest, RollsAt5120BytesKeepingFiveBackupsUnderTheirOwnNames) {
  log_.Initial();
  const std::uint8_t five[] = {0x01, 0x00, 0x78, 0x03, 0xE8};
  // About 70 bytes a line: some 40 000 bytes, enough to roll past the fifth backup.
  for (int i = 0; i < 570; ++i) log_.Send(0x05, five, 5);
  const fs::path path = log_.Path();
  log_.Close(L"Vorla2_0001");

  const fs::path folder = Day("Log2021-3-5");
  const std::string line = "00/00/0000 00:00:00 - <Send>(Type)0x05 * 0x01-0x00-0x78-0x03-0xE8 \n";
  std::vector<fs::path> expected = {"2021-3-5(9_7_4).log.1", "2021-3-5(9_7_4).log.2",
                                    "2021-3-5(9_7_4).log.3", "2021-3-5(9_7_4).log.4",
                                    "2021-3-5(9_7_4).log.5", "2021-3-5(9_7_4)_ID(Vorla2_0001).log"};
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder)) found.push_back(entry.path().filename());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, expected);
  for (const fs::path& name : found) {
    EXPECT_LE(fs::file_size(folder / name), 5120u + line.size()) << name;
  }
  for (int i = 1; i <= 5; ++i) {
    const auto bodies = Bodies(folder / expected[static_cast<std::size_t>(i - 1)]);
    ASSERT_FALSE(bodies.empty());
    EXPECT_EQ(bodies.front(), "<Send>(Type)0x05 * 0x01-0x00-0x78-0x03-0xE8 ");
  }
  EXPECT_EQ(Bodies(folder / expected.back()).back(), "<DisConnect>Connection is down!");
}

TEST_F(SessionLogTest, LinesFromAnotherThreadNeverFollowTheCloseLine) {
  log_.Initial();
  std::atomic<bool> started{false};
  std::atomic<bool> stop{false};
  std::thread receiver([&] {
    const std::uint8_t reply[] = {0x01, 0x00, 0x10};
    while (!stop) {
      log_.Recv(0x06, reply, 3);
      log_.Connect("Connect Failed, error code 3!");
      started = true;
      std::this_thread::yield();
    }
  });
  while (!started) std::this_thread::yield();
  log_.Close(L"Vorla2_0001");
  stop = true;
  receiver.join();

  const fs::path final = Day("Log2021-3-5") / "2021-3-5(9_7_4)_ID(Vorla2_0001).log";
  // The file may have rolled while both threads wrote; the close line ends the current one.
  const auto bodies = Bodies(final);
  ASSERT_FALSE(bodies.empty());
  EXPECT_EQ(bodies.back(), "<DisConnect>Connection is down!");
  EXPECT_EQ(std::count(bodies.begin(), bodies.end(), "<DisConnect>Connection is down!"), 1);
}

TEST_F(SessionLogTest, FolderThatCannotBeCreatedLosesLinesButKeepsRunning) {
  const fs::path blocker = env_.Folder() / "blocker";
  std::ofstream(blocker) << "not a folder";
  env_.SetBase(blocker.wstring() + L"/");
  EXPECT_TRUE(log_.Initial());
  EXPECT_TRUE(log_.IsOpen());
  log_.Connect("Connectting!");
  log_.Close(L"Vorla2_0001");
  EXPECT_FALSE(log_.IsOpen());
  EXPECT_THAT(AllFiles(env_.Folder()), ElementsAre(fs::path("blocker")));
}

}  // namespace
