#include "app/CAboutDlg.h"

#include <filesystem>

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/AppIcon.h"
#include "app/DialogUnits.h"
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

  static QLabel* Label(const QDialog& dlg, const char* id) {
    return dlg.findChild<QLabel*>(QString::fromLatin1(id));
  }
};

TEST_P(CAboutDlgTest, ShowsNameRightsAndVersionOfTheProgramFile) {
  const CAboutDlg dlg(nullptr, std::filesystem::path(CALTRIM_PROBE_1_2_3_4).wstring());
  EXPECT_EQ(dlg.windowTitle(), T("IDS_ABOUT_CALTRIM"));
  ASSERT_NE(Label(dlg, "1030"), nullptr);
  EXPECT_EQ(Label(dlg, "1030")->text(), T("IDS_VORLA_CALIBRATION_SOFTWARE"));
  EXPECT_EQ(Label(dlg, "1031")->text(), T("IDS_NORVIK_COPY_RIGHT"));
  EXPECT_TRUE(Label(dlg, "1031")->text().contains(QStringLiteral("Norvik")));
  EXPECT_EQ(Label(dlg, "1022")->text(), T("IDS_VERSION") + QStringLiteral("1.2.3.4"));
  const auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("1"));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), T("IDOK"));
  EXPECT_TRUE(ok->isDefault());
}

TEST_P(CAboutDlgTest, AProgramWithoutVersionShowsZeros) {
  const CAboutDlg dlg;  // this test program carries no version
  EXPECT_EQ(Label(dlg, "1022")->text(), T("IDS_VERSION") + QStringLiteral("0.0.0.0"));
}

TEST_P(CAboutDlgTest, LayoutFollowsTheTemplateAndEveryTextFits) {
  const CAboutDlg dlg(nullptr, std::filesystem::path(CALTRIM_PROGRAM).wstring());
  const DialogUnits du(dlg.font());
  EXPECT_EQ(dlg.size(), du.Size(218, 66));
  EXPECT_EQ(Label(dlg, "1030")->geometry(), du.Rect(42, 17, 101, 8));
  EXPECT_EQ(Label(dlg, "1022")->geometry(), du.Rect(139, 17, 59, 8));
  EXPECT_EQ(Label(dlg, "1031")->geometry(), du.Rect(42, 33, 146, 8));
  EXPECT_EQ(dlg.findChild<QPushButton*>(QStringLiteral("1"))->geometry(), du.Rect(161, 45, 50, 14));
  const QLabel* icon = Label(dlg, "icon");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->geometry(), du.Rect(14, 20, 20, 20));
  EXPECT_FALSE(icon->pixmap().isNull());
  // The version label must hold its text whole; the name label overlaps it in the template.
  for (const char* id : {"1022", "1031"}) {
    const QLabel* label = Label(dlg, id);
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width())
        << id << ": " << label->text().toStdString();
  }
  // The name label runs under the version label; its text must end before the version begins.
  const QLabel* name = Label(dlg, "1030");
  EXPECT_LE(QFontMetrics(name->font()).horizontalAdvance(name->text().trimmed()), du.X(139 - 42))
      << name->text().toStdString();
  EXPECT_EQ(Label(dlg, "1022")->text(), T("IDS_VERSION") + QStringLiteral("1.0.0.4"));
}

TEST_P(CAboutDlgTest, OkAndEscapeClose) {
  CAboutDlg dlg;
  dlg.show();
  dlg.findChild<QPushButton*>(QStringLiteral("1"))->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_FALSE(dlg.isVisible());
  dlg.show();
  dlg.reject();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, CAboutDlgTest,
                         ::testing::Values(kLanguageChinese, kLanguageEnglish));

TEST(AppIconTest, TheIconIsDrawable) {
  QtTestApp();
  EXPECT_FALSE(ApplicationIcon().isNull());
  EXPECT_FALSE(ApplicationIcon().pixmap(32, 32).isNull());
}

}  // namespace
