#include "calibration/CServoItemDlg.h"

#include <algorithm>

#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QValidator>

#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/Text.h"
#include "calibration/CNumEdit.h"
#include "calibration/CalibrationMessages.h"
#include "calibration/CaltrimIcons.h"
#include "calibration/rules/CalibrationModel.h"

namespace {

// Template of a panel: 28 by 185 dialog units in an 8 point font.
constexpr int kPanelFontPoints = 8;
constexpr int kPanelWidth = 28;
constexpr int kPanelHeight = 185;
constexpr int kAngleTextLimit = 240;
constexpr int kOffsetTextLimit = 90;
// Travel times of a move: a step or Enter, and leaving the angle box.
constexpr int kStepTravelMs = 100;
constexpr int kLeaveTravelMs = 1000;

// Accessible name and description of each control; the name carries the servo number.
struct AccessibleTexts {
  int id;
  const char* nameKey;
  const char* descriptionKey;
};
constexpr AccessibleTexts kAccessibleTexts[] = {
    {IDC_SERVO_NUMBER, "IDS_SERVO_NUMBER_NAME", "IDS_SERVO_NUMBER_TIP"},
    {IDC_SERVO_STEP_UP, "IDS_SERVO_STEP_UP_NAME", "IDS_SERVO_STEP_UP_TIP"},
    {IDC_SERVO_ANGLE, "IDS_SERVO_ANGLE_NAME", "IDS_SERVO_ANGLE_TIP"},
    {IDC_SERVO_STEP_DOWN, "IDS_SERVO_STEP_DOWN_NAME", "IDS_SERVO_STEP_DOWN_TIP"},
    {IDC_SERVO_REFERENCE, "IDS_SERVO_REFERENCE_NAME", "IDS_SERVO_REFERENCE_TIP"},
    {IDC_SERVO_OFFSET, "IDS_SERVO_OFFSET_NAME", "IDS_SERVO_OFFSET_TIP"},
    {IDC_SERVO_SELECT, "IDS_SERVO_SELECT_NAME", "IDS_SERVO_SELECT_TIP"},
};

void SetUpBox(QLineEdit* box, const QRect& place) {
  box->setGeometry(place);
  box->setAlignment(Qt::AlignCenter);
  box->setTextMargins(0, 0, 0, 0);
}

QToolButton* MakeStepButton(QWidget* parent, int id, const QRect& place) {
  auto* button = MakeControl<QToolButton>(parent, id);
  button->setGeometry(place);
  button->setAutoRaise(true);
  const int side = std::min(button->width(), button->height()) - 6;
  button->setIconSize(QSize(side, side).boundedTo(QSize(24, 24)));
  return button;
}

// Whole numbers only: ASCII digits or nothing. A plain check, not a regular expression, which
// would bring the expression engine's pages into memory at start-up for this alone.
class DigitsValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*pos*/) const override {
    const bool digits = std::all_of(input.cbegin(), input.cend(), [](QChar c) {
      return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    return digits ? Acceptable : Invalid;
  }
};

}  // namespace

CServoItemDlg::CServoItemDlg(QWidget* parent, IServoPanelHost* host)
    : QFrame(parent), m_pHost(host) {
  OnInitDialog();
}

CServoItemDlg::~CServoItemDlg() {
  // The children go after this body; their last events (focus leaving) must not reach it.
  for (QObject* watched : {static_cast<QObject*>(m_editAngle), static_cast<QObject*>(m_btnIncrement),
                           static_cast<QObject*>(m_btnDecrement)}) {
    watched->removeEventFilter(this);
  }
}

void CServoItemDlg::OnInitDialog() {
  QFont templateFont = font();
  templateFont.setPointSize(kPanelFontPoints);
  setFont(templateFont);
  BuildControls(DialogUnits(templateFont));
  m_editAngle->setValidator(new DigitsValidator(m_editAngle));
  m_editAngle->setMaxLength(kAngleTextLimit);
  m_editOffset->setMaxLength(kOffsetTextLimit);
  m_iconUp[0] = CaltrimIcon(IDI_STEP_UP_GREEN);
  m_iconUp[1] = CaltrimIcon(IDI_STEP_UP_RED);
  m_iconDown[0] = CaltrimIcon(IDI_STEP_DOWN_GREEN);
  m_iconDown[1] = CaltrimIcon(IDI_STEP_DOWN_RED);
  SetButtonHeldLook(StepDirection::Up, false);
  SetButtonHeldLook(StepDirection::Down, false);
  for (int id = TIMER_UP_START; id <= TIMER_DOWN_REPEAT; ++id) {
    QTimer* timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this, id] { m_stepTable.TimerExpired(id); });
    m_timers[id - TIMER_UP_START] = timer;
  }
  SetLastOk(false);
  m_bInited = true;
}

void CServoItemDlg::BuildControls(const DialogUnits& du) {
  resize(du.Size(kPanelWidth, kPanelHeight));
  setFrameShape(QFrame::NoFrame);

  m_stcNumber = MakeControl<QLabel>(this, IDC_SERVO_NUMBER);
  m_stcNumber->setGeometry(du.Rect(14, 10, 8, 8));
  m_stcNumber->setText(QStringLiteral("1"));

  m_btnIncrement = MakeStepButton(this, IDC_SERVO_STEP_UP, du.Rect(7, 27, 19, 18));
  m_editAngle = MakeControl<QLineEdit>(this, IDC_SERVO_ANGLE);
  SetUpBox(m_editAngle, du.Rect(7, 56, 19, 18));
  m_btnDecrement = MakeStepButton(this, IDC_SERVO_STEP_DOWN, du.Rect(7, 85, 19, 18));

  m_editReference = MakeControl<QLineEdit>(this, IDC_SERVO_REFERENCE);
  SetUpBox(m_editReference, du.Rect(7, 114, 19, 18));
  m_editReference->setReadOnly(true);
  // Read-only: the mouse may still select its text, but Tab passes it by.
  m_editReference->setFocusPolicy(Qt::ClickFocus);
  m_editReference->setValidator(new DigitsValidator(m_editReference));

  m_editOffset = MakeControl<CNumEdit>(this, IDC_SERVO_OFFSET);
  SetUpBox(m_editOffset, du.Rect(7, 143, 19, 18));

  m_chkSelect = MakeControl<QCheckBox>(this, IDC_SERVO_SELECT);
  m_chkSelect->setGeometry(du.Rect(7, 169, 20, 10));
  // Every way of changing the box (a click, Space, a screen reader's Toggle) tells the window;
  // SetSelected, Select all's own change, does not.
  connect(m_chkSelect, &QCheckBox::toggled, this, &CServoItemDlg::OnSelectionChanged);
  // A screen reader's Press (or any click() of a button) steps once; the operator's own presses
  // never reach the buttons, so they never click.
  connect(m_btnIncrement, &QToolButton::clicked, this, [this] { StepOnce(StepDirection::Up); });
  connect(m_btnDecrement, &QToolButton::clicked, this, [this] { StepOnce(StepDirection::Down); });

  for (QObject* watched : {static_cast<QObject*>(m_editAngle), static_cast<QObject*>(m_btnIncrement),
                           static_cast<QObject*>(m_btnDecrement)}) {
    watched->installEventFilter(this);
  }
}

void CServoItemDlg::SetServoId(int id) {
  m_nServoId = id;
  m_stcNumber->setText(QString::number(id));
  m_chkSelect->setText(QString::number(id));
  SetAccessibleTexts();
}

void CServoItemDlg::SetAccessibleTexts() {
  for (const AccessibleTexts& texts : kAccessibleTexts) {
    QWidget* control = FindControl<QWidget>(this, texts.id);
    control->setAccessibleName(
        T(texts.nameKey).replace(QStringLiteral("%1"), QString::number(m_nServoId)));
    control->setAccessibleDescription(T(texts.descriptionKey));
  }
}

QLineEdit* CServoItemDlg::OffsetBox() const { return m_editOffset; }

void CServoItemDlg::ShowAngle(int angle) {
  m_nLastAngle = angle;
  m_editAngle->setText(QString::number(angle));
}

std::optional<int> CServoItemDlg::AngleOrLast() {
  const std::optional<int> angle = ServoAngle(m_editAngle->text().toStdString());
  if (!angle) m_editAngle->setText(m_nLastAngle ? QString::number(*m_nLastAngle) : QString());
  return angle;
}

void CServoItemDlg::EnablePanel(bool enable) {
  m_bEnabled = enable;
  if (!enable) {
    EndKeyStep();
    m_stepTable.StopAll();
  }
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
  palette.setColor(QPalette::Disabled, QPalette::Text,
                   ok ? QColor(120, 120, 120) : QColor(224, 128, 128));
  m_editOffset->setPalette(palette);
}

bool CServoItemDlg::IsSelected() const { return m_chkSelect->checkState() == Qt::Checked; }

void CServoItemDlg::SetSelected(bool selected) {
  const QSignalBlocker quiet(m_chkSelect);
  m_chkSelect->setChecked(selected);
}

int CServoItemDlg::AngleValue() const { return DecimalValue(m_editAngle->text().toStdString()); }

int CServoItemDlg::ReferenceValue() const {
  return DecimalValue(m_editReference->text().toStdString());
}

void CServoItemDlg::ApplyAngle() {
  const std::optional<int> angle = AngleOrLast();
  if (!angle) return;
  const long long offset = OffsetForAngle(m_nBaseCali, *angle, ReferenceValue());
  m_editOffset->setText(QString::fromStdString(OffsetText(offset)));
  if (IsWritableOffset(offset)) MoveServo(*angle, kStepTravelMs);
}

void CServoItemDlg::OnAngleBoxLeft() {
  if (!m_bEnabled || !m_bInited) return;
  if (!m_editAngle->text().isEmpty() && AngleValue() >= kMaxServoAngle) {
    m_editAngle->setText(QString::number(kMaxServoAngle));
  }
  const std::optional<int> angle = AngleOrLast();
  if (!angle) return;
  const long long offset = OffsetForAngle(m_nBaseCali, *angle, ReferenceValue());
  m_editOffset->setText(QString::fromStdString(OffsetText(offset)));
  // Leaving the box moves the servo even to an angle whose offset is out of range.
  MoveServo(*angle, kLeaveTravelMs);
}

void CServoItemDlg::MoveServo(int angle, int travelMs) {
  m_nLastAngle = angle;
  if (CIZAVSocketSession* session = m_pHost->PanelSession()) {
    session->SocketSession_SetCurrentAngel(m_nServoId, angle, travelMs);
  }
}

void CServoItemDlg::OnSelectionChanged() {
  m_pHost->PostToMainWindow(WM_SERVO_CHECK_CHANGED,
                            IsSelected() ? SERVO_CHECK_CHECKED : SERVO_CHECK_CLEARED, m_nServoId);
}

bool CServoItemDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_btnIncrement) return OnStepButtonEvent(StepDirection::Up, event);
  if (watched == m_btnDecrement) return OnStepButtonEvent(StepDirection::Down, event);
  if (watched == m_editAngle) return OnAngleBoxEvent(event);
  return QFrame::eventFilter(watched, event);
}

bool CServoItemDlg::OnAngleBoxEvent(QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      return OnStepKey(key == Qt::Key_Up ? StepDirection::Up : StepDirection::Down,
                       static_cast<QKeyEvent*>(event), nullptr);
    }
    if (event->type() == QEvent::KeyPress && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      ApplyAngle();
    }
  } else if (event->type() == QEvent::FocusOut &&
             static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    EndKeyStep();
    OnAngleBoxLeft();
  }
  return false;
}

bool CServoItemDlg::OnStepButtonEvent(StepDirection direction, QEvent* event) {
  // Every press and release of the operator's is the press table's; the button only shows it.
  QToolButton* button = direction == StepDirection::Up ? m_btnIncrement : m_btnDecrement;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
      if (event->type() == QEvent::MouseButtonRelease) {
        m_stepTable.Release(direction);
        button->setDown(false);
      } else {
        // A refused step leaves the button up.
        const bool stepped = event->type() == QEvent::MouseButtonPress
                                 ? m_stepTable.Press(direction)
                                 : m_stepTable.DoublePress(direction);
        button->setDown(stepped);
      }
      return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      const bool stepKey = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
      return stepKey && OnStepKey(direction, static_cast<QKeyEvent*>(event), button);
    }
    case QEvent::FocusOut:
      EndKeyStep();
      return false;
    default:
      return false;
  }
}

bool CServoItemDlg::OnStepKey(StepDirection direction, QKeyEvent* event, QToolButton* button) {
  // A held key comes as auto-repeated releases and presses: the table's timers repeat instead.
  if (event->isAutoRepeat()) return true;
  if (event->type() == QEvent::KeyRelease) {
    if (m_keyStep && m_keyStep->key == event->key()) EndKeyStep();
    return true;
  }
  EndKeyStep();
  if (m_stepTable.Press(direction)) {
    m_keyStep = KeyStep{direction, event->key(), button};
    if (button != nullptr) button->setDown(true);
  }
  return true;
}

void CServoItemDlg::EndKeyStep() {
  if (!m_keyStep) return;
  m_stepTable.Release(m_keyStep->direction);
  if (m_keyStep->button != nullptr) m_keyStep->button->setDown(false);
  m_keyStep.reset();
}

void CServoItemDlg::StepOnce(StepDirection direction) {
  if (m_stepTable.Press(direction)) m_stepTable.Release(direction);
}

void CServoItemDlg::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QFrame::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// The step buttons' press table

bool CServoItemDlg::StepAllowed(StepDirection direction) {
  // A step goes from an angle the box holds, never from an empty box read as 0.
  const std::optional<int> angle = AngleOrLast();
  return angle &&
         ::StepAllowed(direction, *angle, ReferenceValue(), m_pHost->PanelCaliValue(m_nServoId));
}

void CServoItemDlg::TakeStep(StepDirection direction) {
  const int angle = AngleValue() + (direction == StepDirection::Up ? 1 : -1);
  m_editAngle->setText(QString::number(angle));
  ApplyAngle();
}

void CServoItemDlg::SetButtonHeldLook(StepDirection direction, bool held) {
  const bool up = direction == StepDirection::Up;
  QToolButton* button = up ? m_btnIncrement : m_btnDecrement;
  button->setIcon(up ? m_iconUp[held] : m_iconDown[held]);
  button->setAutoRaise(!held);
}

void CServoItemDlg::StartTimer(int id, int ms) { m_timers[id - TIMER_UP_START]->start(ms); }

void CServoItemDlg::StopTimer(int id) { m_timers[id - TIMER_UP_START]->stop(); }
