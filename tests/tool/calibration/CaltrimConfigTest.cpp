#include "calibration/CaltrimConfig.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(CaltrimConfig, ReadsTextsWithErrorForMissingKeysAndFiles) {
  QTemporaryDir dir;
  const QString path = dir.filePath("Config.ini");
  EXPECT_EQ(ReadConfigText(path.toStdWString(), "ServoNum"), "Error");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Other]\nServoNum=9\n[Config]\nServoNum=16\nID3=-12\n");
  file.close();
  EXPECT_EQ(ReadConfigText(path.toStdWString(), "ServoNum"), "16");
  EXPECT_EQ(ReadConfigText(path.toStdWString(), ServoReferenceKey(3)), "-12");
  EXPECT_FALSE(ConfigKeyPresent(ReadConfigText(path.toStdWString(), "ID4")));
  EXPECT_EQ(ServoCountFromConfig(path.toStdWString()), 16);
}

TEST(CaltrimConfig, TextToIntFollowsAtoi) {
  EXPECT_EQ(ConfigTextToInt("Error"), 0);
  EXPECT_EQ(ConfigTextToInt("  42abc"), 42);
  EXPECT_EQ(ConfigTextToInt("-7"), -7);
  EXPECT_EQ(ConfigTextToInt(""), 0);
}

}  // namespace
