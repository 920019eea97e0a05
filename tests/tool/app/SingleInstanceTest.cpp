#include "app/SingleInstance.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "outside/uibase/TempFolder.h"
#include "tool/app/QtTestApp.h"

namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }

  QString Folder() const { return QString::fromStdString(folder.Path().string()); }

  TempFolder folder;
};

// The program started twice is covered end to end beside the program; here, what it cannot
// show: every later copy is heard, and a crashed copy's files do not get in the way.
TEST_F(SingleInstanceTest, EachLaterCopyEndsAndAsksTheFirstToRaiseOverACrashedCopysFiles) {
  // A crashed copy leaves its lock file (unlocked) and its socket file behind.
  folder.Write(QStringLiteral("Caltrim-%1.lock").arg(::getuid()).toStdString(), "");
  folder.Write(QStringLiteral("Caltrim-%1.sock").arg(::getuid()).toStdString(), "");
  SingleInstance first(Folder(), QStringLiteral("Caltrim"));
  QSignalSpy raised(&first, &SingleInstance::raiseRequested);
  ASSERT_TRUE(first.Claim());
  for (int copy = 1; copy <= 2; ++copy) {
    SingleInstance later(Folder(), QStringLiteral("Caltrim"));
    EXPECT_FALSE(later.Claim());
    EXPECT_TRUE(raised.wait(2000)) << "copy " << copy;
    EXPECT_EQ(raised.count(), copy);
  }
}

TEST_F(SingleInstanceTest, OtherProgramsAndAnUnusableFolderDoNotBlock) {
  SingleInstance caltrim(Folder(), QStringLiteral("Caltrim"));
  EXPECT_TRUE(caltrim.LockPath().endsWith(QStringLiteral("/Caltrim-%1.lock").arg(::getuid())));
  ASSERT_TRUE(caltrim.Claim());
  EXPECT_TRUE(SingleInstance(Folder(), QStringLiteral("Other")).Claim());
  EXPECT_TRUE(
      SingleInstance(Folder() + QStringLiteral("/missing"), QStringLiteral("Caltrim")).Claim());
}

}  // namespace
