#include "app/CLanguageChooseDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "ZAVUIBase.h"
#include "app/LanguageSetting.h"
#include "app/Text.h"
#include "tool/app/QtTestApp.h"
#include "tool/app/ShippedTexts.h"
#include "tool/app/TempFolder.h"

namespace {

// The dialog with its restart notice recorded instead of shown.
class RecordingDialog : public CLanguageChooseDialog {
 public:
  using CLanguageChooseDialog::CLanguageChooseDialog;
  QStringList notices;

 protected:
  void ShowRestartNotice(const QString& text, const QString& caption) override {
    notices << caption + QStringLiteral(" | ") + text;
  }
};

class CLanguageChooseDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QtTestApp();
    UseShippedTexts(kLanguageEnglish);
  }

  std::wstring Config(const std::string& content) {
    folder.Write("Config.ini", content);
    return folder.WideFile("Config.ini");
  }
  std::string ConfigBytes() const { return TempFolder::Read(folder.File("Config.ini")); }
  int StoredLanguage() const {
    return ReadIniInt(L"Config", L"Language", -100, folder.WideFile("Config.ini").c_str());
  }
  static QComboBox* List(QDialog& dlg) { return dlg.findChild<QComboBox*>(QStringLiteral("1028")); }
  static QPushButton* Button(QDialog& dlg, const char* id) {
    return dlg.findChild<QPushButton*>(QString::fromLatin1(id));
  }

  TempFolder folder;
};

TEST_F(CLanguageChooseDialogTest, OffersBothLanguagesWithTheirIndexes) {
  RecordingDialog dlg(Config("[Config]\nLanguage=2\n"));
  EXPECT_EQ(dlg.windowTitle(), T("IDS_SURE_LANGUAGE"));
  EXPECT_EQ(dlg.findChild<QLabel*>(QStringLiteral("1029"))->text(), T("ID_TEXT_LANGUAGE"));
  EXPECT_EQ(Button(dlg, "1")->text(), T("IDOK"));
  EXPECT_EQ(Button(dlg, "2")->text(), T("IDCANCEL"));
  QComboBox* list = List(dlg);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->itemText(0), T("IDS_SURE_CHS"));
  EXPECT_EQ(list->itemData(0).toInt(), 1);
  EXPECT_EQ(list->itemText(1), T("IDS_SURE_ENG"));
  EXPECT_EQ(list->itemData(1).toInt(), 2);
}

TEST_F(CLanguageChooseDialogTest, OpensWithTheStoredLanguageSelected) {
  const std::pair<std::string, int> cases[] = {
      {"[Config]\nLanguage=2\n", 1}, {"[Config]\nLanguage=1\n", 0},
      {"[Config]\nLanguage=0\n", -1}, {"[Config]\nLanguage=7\n", -1},
      {"[Config]\nServoNum=16\n", -1}};
  for (const auto& [content, index] : cases) {
    RecordingDialog dlg(Config(content));
    EXPECT_EQ(List(dlg)->currentIndex(), index) << content;
  }
  RecordingDialog noFile(folder.WideFile("absent.ini"));
  EXPECT_EQ(List(noFile)->currentIndex(), -1);
}

TEST_F(CLanguageChooseDialogTest, OkStoresTheChoiceAndTellsItAppliesAtNextStart) {
  RecordingDialog dlg(Config("; settings\n[Config]\nServoNum=16\nLanguage=2\n"));
  dlg.show();
  List(dlg)->setCurrentIndex(0);
  Button(dlg, "1")->click();
  EXPECT_EQ(StoredLanguage(), 1);
  EXPECT_EQ(ReadIniInt(L"Config", L"ServoNum", 0, folder.WideFile("Config.ini").c_str()), 16);
  ASSERT_EQ(dlg.notices.size(), 1);
  EXPECT_EQ(dlg.notices[0], T("AFX_IDS_APP_TITLE") + QStringLiteral(" | ") + T("IDS_SURE_RESTARTAPPLY"));
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(T("IDOK"), QStringLiteral("OK")) << "the running program keeps its texts";
}

TEST_F(CLanguageChooseDialogTest, OkWithNothingSelectedStoresUnset) {
  RecordingDialog dlg(Config("[Config]\nLanguage=0\n"));
  Button(dlg, "1")->click();
  EXPECT_EQ(StoredLanguage(), -1);
  EXPECT_EQ(dlg.notices.size(), 1);
}

TEST_F(CLanguageChooseDialogTest, CancelAndEscapeLeaveTheFileByteForByte) {
  const std::string content = "; comment\r\n[Config]\r\nLanguage = 2\r\nServoNum=16\r\n";
  {
    RecordingDialog dlg(Config(content));
    dlg.show();
    List(dlg)->setCurrentIndex(0);
    Button(dlg, "2")->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(dlg.notices.isEmpty());
  }
  EXPECT_EQ(ConfigBytes(), content);
  {
    RecordingDialog dlg(Config(content));
    dlg.show();
    List(dlg)->setCurrentIndex(0);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());
  }
  EXPECT_EQ(ConfigBytes(), content);
}

// The real notice: a message box owned by the dialog, with an OK button only.
TEST_F(CLanguageChooseDialogTest, TheNoticeIsAnOkBoxOwnedByTheDialog) {
  CLanguageChooseDialog dlg(Config("[Config]\nLanguage=1\n"));
  dlg.show();
  QString seenText, seenTitle;
  QWidget* seenParent = nullptr;
  QMessageBox::StandardButtons seenButtons;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seenText = box->text();
    seenTitle = box->windowTitle();
    seenParent = box->parentWidget();
    seenButtons = box->standardButtons();
    box->button(QMessageBox::Ok)->click();
  });
  poll.start(10);
  List(dlg)->setCurrentIndex(1);
  Button(dlg, "1")->click();
  EXPECT_EQ(seenText, T("IDS_SURE_RESTARTAPPLY"));
  EXPECT_EQ(seenTitle, T("AFX_IDS_APP_TITLE"));
  EXPECT_EQ(seenParent, &dlg);
  EXPECT_EQ(seenButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(StoredLanguage(), 2);
}

}  // namespace
