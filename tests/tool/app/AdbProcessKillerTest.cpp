#include "app/AdbProcessKiller.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "tool/app/TempFolder.h"

namespace {

// A process folder laid out like /proc, and a killer that records its calls.
class AdbProcessKillerTest : public ::testing::Test {
 protected:
  void AddProcess(pid_t pid, const std::string& name, char state = 'S') {
    const std::filesystem::path dir = folder.Path() / std::to_string(pid);
    std::filesystem::create_directory(dir);
    folder.Write(std::to_string(pid) + "/comm", name + "\n");
    folder.Write(std::to_string(pid) + "/stat",
                 std::to_string(pid) + " (" + name + ") " + state + " 1 1 1 0 -1\n");
  }

  pid_t Run(std::vector<pid_t> refusing = {}) {
    return KillFirstProcessNamed("adb", folder.Path().string(), [&](pid_t pid) {
      attempts.push_back(pid);
      return std::find(refusing.begin(), refusing.end(), pid) == refusing.end();
    });
  }

  TempFolder folder;
  std::vector<pid_t> attempts;
};

TEST_F(AdbProcessKillerTest, EndsOnlyTheFirstInProcessIdOrder) {
  AddProcess(900, "adb");
  AddProcess(77, "ADB");
  AddProcess(1000, "Adb");
  AddProcess(5, "bash");
  EXPECT_EQ(Run(), 77) << "names compare without case; lower ids come first (77 < 900)";
  EXPECT_EQ(attempts, std::vector<pid_t>{77});
}

TEST_F(AdbProcessKillerTest, GoesOnPastProcessesThatCannotBeEnded) {
  AddProcess(10, "adb");
  AddProcess(20, "adb");
  AddProcess(30, "adb");
  EXPECT_EQ(Run({10}), 20);
  EXPECT_EQ(attempts, (std::vector<pid_t>{10, 20}));
}

TEST_F(AdbProcessKillerTest, NothingEndedWhenNoneCanBe) {
  AddProcess(10, "adb");
  AddProcess(20, "adb");
  EXPECT_EQ(Run({10, 20}), 0);
  EXPECT_EQ(attempts, (std::vector<pid_t>{10, 20}));
}

TEST_F(AdbProcessKillerTest, MatchesTheWholeNameOnly) {
  AddProcess(10, "adbd");
  AddProcess(11, "xadb");
  AddProcess(12, "ad");
  AddProcess(13, "adb.exe");
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(attempts.empty());
}

TEST_F(AdbProcessKillerTest, PassesOverProcessesThatHaveEnded) {
  AddProcess(10, "adb", 'Z');
  AddProcess(11, "adb", 'S');
  EXPECT_EQ(Run(), 11);
  EXPECT_EQ(attempts, std::vector<pid_t>{11});
}

TEST_F(AdbProcessKillerTest, IgnoresWhatIsNotAProcess) {
  std::filesystem::create_directory(folder.Path() / "self");
  folder.Write("self/comm", "adb\n");
  folder.Write("12abc", "");
  std::filesystem::create_directory(folder.Path() / "99");  // vanished: no comm any more
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(attempts.empty());
  EXPECT_EQ(KillFirstProcessNamed("adb", "/no/such/proc", [](pid_t) { return true; }), 0);
}

}  // namespace
