#include "app/CLanguageChooseDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "ZAVServoSocket.h"
#include "ZAVUIBase.h"
#include "app/CCaltrimApp.h"
#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/LanguageSetting.h"
#include "app/MessageBoxStyle.h"
#include "app/Text.h"

CLanguageChooseDialog::CLanguageChooseDialog(const std::wstring& configPath, QWidget* parent)
    : QDialog(parent), m_strConfigPath(configPath) {
  BuildControls();
  OnInitDialog();
}

void CLanguageChooseDialog::BuildControls() {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const DialogUnits du(font());
  setFixedSize(du.Size(198, 107));

  m_stcLanguage = new QLabel(this);
  SetControlId(m_stcLanguage, 1029);
  m_stcLanguage->setGeometry(du.Rect(33, 32, 36, 11));

  // A choice only: a typed text that is no language would be ignored in silence, so the list
  // takes no text (typing a letter chooses the item it starts, as in any drop-down list).
  m_cbLanguage = new QComboBox(this);
  SetControlId(m_cbLanguage, 1028);
  m_cbLanguage->setGeometry(du.X(86), du.Y(30), du.X(77), m_cbLanguage->sizeHint().height());

  m_btnOK = new QPushButton(this);
  SetControlId(m_btnOK, 1);
  m_btnOK->setGeometry(du.Rect(65, 75, 50, 14));
  m_btnOK->setDefault(true);
  connect(m_btnOK, &QPushButton::clicked, this, &CLanguageChooseDialog::OnBnClickedOk);

  m_btnCancel = new QPushButton(this);
  SetControlId(m_btnCancel, 2);
  m_btnCancel->setGeometry(du.Rect(130, 75, 50, 14));
  m_btnCancel->setAutoDefault(false);
  connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CLanguageChooseDialog::OnInitDialog() {
  setWindowTitle(T("IDS_SURE_LANGUAGE"));
  const int current = ReadIniInt(L"Config", L"Language", kLanguageUnset, m_strConfigPath.c_str());
  m_stcLanguage->setText(T("ID_TEXT_LANGUAGE"));
  m_btnOK->setText(T("IDOK"));
  m_btnCancel->setText(T("IDCANCEL"));
  m_cbLanguage->insertItem(0, T("IDS_SURE_CHS"), kLanguageChinese);
  m_cbLanguage->insertItem(1, T("IDS_SURE_ENG"), kLanguageEnglish);
  m_cbLanguage->setCurrentIndex(m_cbLanguage->findData(current));
}

void CLanguageChooseDialog::OnBnClickedOk() {
  const int index = m_cbLanguage->currentIndex();
  const int value = index < 0 ? kLanguageUnset : m_cbLanguage->itemData(index).toInt();
  if (!WriteIniInt(L"Config", L"Language", value, m_strConfigPath.c_str())) {
    // Nothing is stored, so nothing may be promised; the dialog stays for Cancel or another try.
    ExecMessageBox(this, T("IDS_LANGUAGE_NOT_SAVED_TIPS"), T("AFX_IDS_APP_TITLE"),
                   MB_OK | MB_ICONWARNING);
    return;
  }
  ExecMessageBox(this, T("IDS_SURE_RESTARTAPPLY"), T("AFX_IDS_APP_TITLE"), MB_OK);
  accept();
}

void ShowLanguageChooseDialog(QWidget* parent) {
  CLanguageChooseDialog dlg(CCaltrimApp::ConfigPath(), parent);
  dlg.exec();
}
