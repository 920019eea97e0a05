#include "app/CAboutDlg.h"

#include <filesystem>

#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/LanguageSetting.h"
#include "app/Text.h"
#include "tool/app/QtTestApp.h"
#include "tool/app/ShippedTexts.h"

namespace {

TEST(CAboutDlgTest, ShowsNameRightsAndTheFilesVersion) {
  QtTestApp();
  UseShippedTexts(kLanguageEnglish);
  CAboutDlg dlg(nullptr, std::filesystem::path(CALTRIM_PROBE_1_2_3_4).wstring());
  const auto text = [&](const char* id) {
    return dlg.findChild<QLabel*>(QString::fromLatin1(id))->text();
  };
  EXPECT_EQ(dlg.windowTitle(), T("IDS_ABOUT_CALTRIM"));
  EXPECT_EQ(text("1030"), T("IDS_VORLA_CALIBRATION_SOFTWARE"));
  EXPECT_EQ(text("1022"), T("IDS_VERSION") + "1.2.3.4");
  EXPECT_EQ(text("1031"), T("IDS_NORVIK_COPY_RIGHT"));
  EXPECT_FALSE(dlg.findChild<QLabel*>(QStringLiteral("icon"))->pixmap().isNull());
  EXPECT_EQ(dlg.findChild<QPushButton*>(QStringLiteral("1"))->text(), T("IDOK"));
}

}  // namespace
