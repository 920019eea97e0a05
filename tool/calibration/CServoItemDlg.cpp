#include "calibration/CServoItemDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>

#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "calibration/CalibrationMessages.h"
#include "calibration/CaltrimIcons.h"

namespace {

// Template of a panel: 28 by 185 dialog units in an 8 point font.
constexpr int kPanelFontPoints = 8;
constexpr int kPanelWidth = 28;
constexpr int kPanelHeight = 185;
constexpr int kAngleTextLimit = 240;
constexpr int kOffsetTextLimit = 90;

QLineEdit* MakeBox(QWidget* parent, int id, const QRect& place) {
  QLineEdit* box = MakeControl<QLineEdit>(parent, id);
  box->setGeometry(place);
  box->setAlignment(Qt::AlignCenter);
  box->setTextMargins(0, 0, 0, 0);
  return box;
}

}  // namespace

CServoItemDlg::CServoItemDlg(QWidget* parent, IZAVNotifyWindow* mainWindow)
    : QFrame(parent), m_pMainWnd(mainWindow) {
  BuildControls();
  m_bInited = true;
}

void CServoItemDlg::BuildControls() {
  QFont templateFont = font();
  templateFont.setPointSize(kPanelFontPoints);
  const DialogUnits du(templateFont);
  resize(du.Size(kPanelWidth, kPanelHeight));
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Plain);

  m_stcNumber = MakeControl<QLabel>(this, IDC_SERVO_NUMBER);
  m_stcNumber->setGeometry(du.Rect(2, 10, 24, 9));
  m_stcNumber->setAlignment(Qt::AlignCenter);
  m_stcNumber->setText(QStringLiteral("1"));
  QFont bold = m_stcNumber->font();
  bold.setBold(true);
  m_stcNumber->setFont(bold);

  m_btnIncrement = MakeControl<QToolButton>(this, IDC_SERVO_STEP_UP);
  m_btnIncrement->setGeometry(du.Rect(5, 27, 19, 18));
  m_btnIncrement->setIcon(CaltrimIcon(IDI_STEP_UP_GREEN));
  m_btnIncrement->setAutoRaise(true);

  m_editAngle = MakeBox(this, IDC_SERVO_ANGLE, du.Rect(4, 56, 21, 18));
  m_editAngle->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_editAngle));
  m_editAngle->setMaxLength(kAngleTextLimit);

  m_btnDecrement = MakeControl<QToolButton>(this, IDC_SERVO_STEP_DOWN);
  m_btnDecrement->setGeometry(du.Rect(5, 85, 19, 18));
  m_btnDecrement->setIcon(CaltrimIcon(IDI_STEP_DOWN_GREEN));
  m_btnDecrement->setAutoRaise(true);

  m_editReference = MakeBox(this, IDC_SERVO_REFERENCE, du.Rect(4, 114, 21, 18));
  m_editReference->setReadOnly(true);
  m_editReference->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9]*")), m_editReference));

  m_editOffset = MakeBox(this, IDC_SERVO_OFFSET, du.Rect(4, 143, 21, 18));
  m_editOffset->setMaxLength(kOffsetTextLimit);

  m_chkSelect = MakeControl<QCheckBox>(this, IDC_SERVO_SELECT);
  m_chkSelect->setGeometry(du.Rect(4, 167, 23, 12));
  connect(m_chkSelect, &QCheckBox::clicked, this, &CServoItemDlg::OnSelectionClicked);

  const QSize iconSize = m_btnIncrement->size() - QSize(6, 6);
  m_btnIncrement->setIconSize(iconSize.boundedTo(QSize(24, 24)));
  m_btnDecrement->setIconSize(iconSize.boundedTo(QSize(24, 24)));
  SetLastOk(false);
}

void CServoItemDlg::SetServoId(int id) {
  m_nServoId = id;
  m_stcNumber->setText(QString::number(id));
  m_chkSelect->setText(QString::number(id));
}

void CServoItemDlg::EnablePanel(bool enable) {
  m_bEnabled = enable;
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    child->setEnabled(enable);
  }
}

void CServoItemDlg::SetLastOk(bool ok) {
  m_bLastOk = ok;
  QPalette palette = m_editOffset->palette();
  const QColor color = ok ? QColor(Qt::black) : QColor(255, 0, 0);
  palette.setColor(QPalette::Active, QPalette::Text, color);
  palette.setColor(QPalette::Inactive, QPalette::Text, color);
  palette.setColor(QPalette::Disabled, QPalette::Text, ok ? QColor(120, 120, 120) : QColor(224, 128, 128));
  m_editOffset->setPalette(palette);
}

bool CServoItemDlg::IsSelected() const { return m_chkSelect->checkState() == Qt::Checked; }

void CServoItemDlg::SetSelected(bool selected) { m_chkSelect->setChecked(selected); }

void CServoItemDlg::OnSelectionClicked() {
  if (m_pMainWnd == nullptr) return;
  m_pMainWnd->PostMessage(WM_SERVO_CHECK_CHANGED,
                          IsSelected() ? SERVO_CHECK_CHECKED : SERVO_CHECK_CLEARED, m_nServoId);
}
