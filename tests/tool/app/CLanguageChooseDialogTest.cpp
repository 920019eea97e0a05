#include "app/CLanguageChooseDialog.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "ZAVUIBase.h"
#include "app/LanguageSetting.h"
#include "app/Text.h"
#include "outside/uibase/TempFolder.h"
#include "tool/app/QtTestApp.h"
#include "tool/app/ShippedTexts.h"

namespace {

class CLanguageChooseDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QtTestApp();
    UseShippedTexts(kLanguageEnglish);
  }

  std::wstring Config(const std::string& content) {
    folder.Write("Config.ini", content);
    return ini;
  }
  int Stored(const wchar_t* key = L"Language") const {
    return ReadIniInt(L"Config", key, -100, ini.c_str());
  }
  static QComboBox* List(QDialog& dlg) { return dlg.findChild<QComboBox*>(QStringLiteral("1028")); }
  static QPushButton* Button(QDialog& dlg, const char* id) {
    return dlg.findChild<QPushButton*>(QString::fromLatin1(id));
  }

  TempFolder folder;
  const std::wstring ini = folder.WideFile("Config.ini");
};

TEST_F(CLanguageChooseDialogTest, OkStoresTheChoiceAndTellsItAppliesAtNextStart) {
  BoxPresser presser(QMessageBox::Ok);
  CLanguageChooseDialog dlg(Config("; settings\n[Config]\nServoNum=16\nLanguage=2\n"));
  dlg.show();
  List(dlg)->setCurrentIndex(0);
  Button(dlg, "1")->click();
  EXPECT_EQ(Stored(), 1);
  EXPECT_EQ(Stored(L"ServoNum"), 16);
  EXPECT_EQ(presser.shown, 1);
  EXPECT_EQ(presser.text, T("IDS_SURE_RESTARTAPPLY"));
  EXPECT_EQ(presser.icon, QMessageBox::NoIcon);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(T("IDOK"), QStringLiteral("OK")) << "the running program keeps its texts";

  for (const auto& [index, stored] : {std::pair{1, 2}, std::pair{-1, -1}}) {  // -1: none selected
    CLanguageChooseDialog other(Config("[Config]\nLanguage=1\n"));
    List(other)->setCurrentIndex(index);
    Button(other, "1")->click();
    EXPECT_EQ(Stored(), stored);
  }
  EXPECT_EQ(presser.shown, 3);
}

// The list is a choice only: typed text is no language, and the box shows what OK stores.
TEST_F(CLanguageChooseDialogTest, TypingChoosesNoOtherLanguage) {
  CLanguageChooseDialog dlg(Config("[Config]\nLanguage=2\n"));
  dlg.show();
  QTest::keyClicks(List(dlg), "Deutsch");
  EXPECT_EQ(List(dlg)->currentText(), List(dlg)->itemText(List(dlg)->currentIndex()));
  EXPECT_EQ(List(dlg)->currentData().toInt(), 2);
}

TEST_F(CLanguageChooseDialogTest, CancelLeavesTheFileByteForByte) {
  BoxPresser presser(QMessageBox::Ok);
  const std::string content = "; comment\r\n[Config]\r\nLanguage = 2\r\nServoNum=16\r\n";
  CLanguageChooseDialog dlg(Config(content));
  dlg.show();
  List(dlg)->setCurrentIndex(0);
  Button(dlg, "2")->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_EQ(TempFolder::Read(folder.File("Config.ini")), content);
  EXPECT_EQ(presser.shown, 0);
}

// A Config.ini that cannot be written: the operator is told so, and not that the choice holds.
TEST_F(CLanguageChooseDialogTest, OkTellsWhenTheChoiceCannotBeStored) {
  BoxPresser presser(QMessageBox::Ok);
  folder.Write("file", "");
  CLanguageChooseDialog dlg(folder.WideFile("file") + L"/Config.ini");
  dlg.show();
  List(dlg)->setCurrentIndex(0);
  Button(dlg, "1")->click();
  EXPECT_EQ(presser.shown, 1);
  EXPECT_EQ(presser.text, T("IDS_LANGUAGE_NOT_SAVED_TIPS"));
  EXPECT_EQ(presser.icon, QMessageBox::Warning);
  EXPECT_TRUE(dlg.isVisible()) << "Cancel is still to be had";
}

}  // namespace
