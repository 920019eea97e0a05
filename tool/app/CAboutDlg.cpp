#include "app/CAboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/AppIcon.h"
#include "app/DialogUnits.h"
#include "app/FileVersion.h"
#include "app/Text.h"

namespace {

QLabel* PlainLabel(QWidget* parent, const char* id, const QRect& rect) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(id));
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(rect);
  return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent, const std::wstring& exePath) : QDialog(parent) {
  BuildControls();
  OnInitDialog(exePath);
}

void CAboutDlg::BuildControls() {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  const DialogUnits du(font());
  setFixedSize(du.Size(218, 66));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("icon"));
  const QRect iconRect = du.Rect(14, 20, 20, 20);
  icon->setGeometry(iconRect);
  icon->setPixmap(ApplicationIcon().pixmap(iconRect.size()));

  m_stcName = PlainLabel(this, "1030", du.Rect(42, 17, 101, 8));
  m_stcVersion = PlainLabel(this, "1022", du.Rect(139, 17, 59, 8));
  m_stcCopyright = PlainLabel(this, "1031", du.Rect(42, 33, 146, 8));

  m_btnOK = new QPushButton(this);
  m_btnOK->setObjectName(QStringLiteral("1"));
  m_btnOK->setGeometry(du.Rect(161, 45, 50, 14));
  m_btnOK->setDefault(true);
  connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::OnInitDialog(const std::wstring& exePath) {
  setWindowTitle(T("IDS_ABOUT_CALTRIM"));
  setWindowIcon(ApplicationIcon());
  m_stcName->setText(T("IDS_VORLA_CALIBRATION_SOFTWARE"));
  m_stcCopyright->setText(T("IDS_NORVIK_COPY_RIGHT"));
  m_btnOK->setText(T("IDOK"));
  const std::wstring path = exePath.empty() ? RunningExecutablePath() : exePath;
  m_stcVersion->setText(T("IDS_VERSION") + QString::fromStdWString(GetFileVersionText(path)));
}

void ShowAboutBox(QWidget* parent) {
  CAboutDlg dlg(parent);
  dlg.exec();
}
