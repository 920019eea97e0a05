#include "app/CAboutDlg.h"

#include <filesystem>

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/LanguageSetting.h"
#include "app/Text.h"
#include "tool/app/QtTestApp.h"
#include "tool/app/ShippedTexts.h"

namespace {

class CAboutDlgTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    QtTestApp();
    UseShippedTexts(GetParam());
  }
};

// In each language: the texts, the version read from the file given, an icon, every text whole
// within its label, and OK closing the box.
TEST_P(CAboutDlgTest, ShowsTheProgramsNameRightsAndVersionWhole) {
  CAboutDlg dlg(nullptr, std::filesystem::path(CALTRIM_PROBE_1_2_3_4).wstring());
  const auto label = [&](const char* id) {
    return dlg.findChild<QLabel*>(QString::fromLatin1(id));
  };
  EXPECT_EQ(dlg.windowTitle(), T("IDS_ABOUT_CALTRIM"));
  ASSERT_NE(label("1030"), nullptr);
  EXPECT_EQ(label("1030")->text(), T("IDS_VORLA_CALIBRATION_SOFTWARE"));
  EXPECT_EQ(label("1031")->text(), T("IDS_NORVIK_COPY_RIGHT"));
  EXPECT_TRUE(label("1031")->text().contains(QStringLiteral("Norvik")));
  EXPECT_EQ(label("1022")->text(), T("IDS_VERSION") + QStringLiteral("1.2.3.4"));
  ASSERT_NE(label("icon"), nullptr);
  EXPECT_FALSE(label("icon")->pixmap().isNull());

  for (const char* id : {"1022", "1031"}) {
    EXPECT_LE(QFontMetrics(label(id)->font()).horizontalAdvance(label(id)->text()),
              label(id)->width())
        << id << ": " << label(id)->text().toStdString();
  }
  // The name label runs under the version label; its text must end before the version begins.
  EXPECT_LE(QFontMetrics(label("1030")->font()).horizontalAdvance(label("1030")->text().trimmed()),
            label("1022")->x() - label("1030")->x())
      << label("1030")->text().toStdString();

  dlg.show();
  auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("1"));
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->isDefault());
  ok->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_FALSE(dlg.isVisible());
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, CAboutDlgTest,
                         ::testing::Values(kLanguageChinese, kLanguageEnglish));

}  // namespace
