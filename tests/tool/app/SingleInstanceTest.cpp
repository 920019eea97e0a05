#include "app/SingleInstance.h"

#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "tool/app/QtTestApp.h"
#include "tool/app/TempFolder.h"

namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  void SetUp() override { QtTestApp(); }

  QString Folder() const { return QString::fromStdString(folder.Path().string()); }

  TempFolder folder;
};

TEST_F(SingleInstanceTest, ALaterCopyEndsAndAsksTheFirstToRaise) {
  SingleInstance first(Folder(), QStringLiteral("Caltrim"));
  QSignalSpy raised(&first, &SingleInstance::raiseRequested);
  ASSERT_TRUE(first.Claim());
  EXPECT_TRUE(QFileInfo(first.SocketPath()).exists());

  SingleInstance second(Folder(), QStringLiteral("Caltrim"));
  EXPECT_FALSE(second.Claim());
  EXPECT_TRUE(raised.wait(2000));
  EXPECT_EQ(raised.count(), 1);

  SingleInstance third(Folder(), QStringLiteral("Caltrim"));
  EXPECT_FALSE(third.Claim());
  EXPECT_TRUE(raised.wait(2000));
  EXPECT_EQ(raised.count(), 2);
}

TEST_F(SingleInstanceTest, TheNameIncludesTheUserAndSeparatesPrograms) {
  SingleInstance caltrim(Folder(), QStringLiteral("Caltrim"));
  EXPECT_TRUE(caltrim.LockPath().endsWith(QStringLiteral("/Caltrim-%1.lock").arg(::getuid())));
  ASSERT_TRUE(caltrim.Claim());
  SingleInstance other(Folder(), QStringLiteral("Other"));
  EXPECT_TRUE(other.Claim());
}

TEST_F(SingleInstanceTest, TheNextStartRunsOnceTheFirstHasEnded) {
  {
    SingleInstance first(Folder(), QStringLiteral("Caltrim"));
    ASSERT_TRUE(first.Claim());
  }
  SingleInstance next(Folder(), QStringLiteral("Caltrim"));
  EXPECT_TRUE(next.Claim());
}

TEST_F(SingleInstanceTest, LeftoversOfACrashedCopyDoNotBlock) {
  // A crashed copy leaves its lock file (unlocked) and its socket file behind.
  folder.Write(QStringLiteral("Caltrim-%1.lock").arg(::getuid()).toStdString(), "");
  folder.Write(QStringLiteral("Caltrim-%1.sock").arg(::getuid()).toStdString(), "");
  SingleInstance first(Folder(), QStringLiteral("Caltrim"));
  QSignalSpy raised(&first, &SingleInstance::raiseRequested);
  ASSERT_TRUE(first.Claim());
  SingleInstance second(Folder(), QStringLiteral("Caltrim"));
  EXPECT_FALSE(second.Claim());
  EXPECT_TRUE(raised.wait(2000)) << "the stale socket file was replaced by a live one";
}

TEST_F(SingleInstanceTest, AnUnusableFolderDoesNotKeepTheProgramFromStarting) {
  SingleInstance first(Folder() + QStringLiteral("/missing"), QStringLiteral("Caltrim"));
  EXPECT_TRUE(first.Claim());
}

}  // namespace
