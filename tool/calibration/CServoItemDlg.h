#pragma once

#include <QFrame>
#include <QIcon>
#include <optional>

#include "calibration/IServoPanelHost.h"
#include "calibration/rules/StepButtonTable.h"

class CNumEdit;
class DialogUnits;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

// Control ids of a servo panel.
constexpr int IDC_SERVO_ANGLE = 1001;
constexpr int IDC_SERVO_REFERENCE = 1002;
constexpr int IDC_SERVO_SELECT = 1004;
constexpr int IDC_SERVO_OFFSET = 1005;
constexpr int IDC_SERVO_NUMBER = 1019;
constexpr int IDC_SERVO_STEP_UP = 1021;
constexpr int IDC_SERVO_STEP_DOWN = 1022;

// One servo in the main window's panel row: its number, the step buttons around the angle box,
// the reference angle, the calibration offset and the selection box for Calibrate. Every accepted
// change of the angle moves the servo at once; the offset box shows the offset the angle implies.
// The main window creates, places and destroys the panels; the calibration commands write their
// boxes and flags. Every member is used on the user-interface thread only.
//
// The keyboard presses the step buttons as the mouse does, through one press table: Space or
// Enter on a step button, Up or Down in the angle box; a held key repeats by the table's timers.
// A screen reader's Press on a step button takes one step.
class CServoItemDlg : public QFrame, private IStepButtonHost {
  Q_OBJECT

 public:
  // A panel inside parent that works through host (not owned; outlives the panel).
  CServoItemDlg(QWidget* parent, IServoPanelHost* host);
  ~CServoItemDlg() override;

  // Sets the servo id, the number label, the selection box caption and the controls' accessible
  // names ("Servo 3: angle", in the language in force).
  void SetServoId(int id);
  int ServoId() const { return m_nServoId; }

  // Enables or disables every child control at once and records it in m_bEnabled. A held step
  // button stops stepping.
  void EnablePanel(bool enable);
  // Records the result of the last read or write; the offset text is red while it is false.
  void SetLastOk(bool ok);

  bool IsSelected() const;
  void SetSelected(bool selected);

  QLineEdit* AngleBox() const { return m_editAngle; }
  // The servo stands at angle (read from it, or sent to it): the angle box shows it, and it is
  // the angle the box goes back to when it holds none a servo can take (emptied, beyond 240).
  void ShowAngle(int angle);
  QLineEdit* ReferenceBox() const { return m_editReference; }
  QLineEdit* OffsetBox() const;

  // The offset the angle box implies, into the offset box; the servo moves there in 100 ms when
  // the offset is writable, else the box shows "False" and nothing moves.
  void ApplyAngle();

  // Base offset: the offset last read from the servo or last confirmed by it.
  int m_nBaseCali = 0;
  // The panel takes input (connection up, last read good).
  bool m_bEnabled = false;
  // Result of the last read or write reply; write it through SetLastOk.
  bool m_bLastOk = false;

 protected:
  // Step button presses and keys before the buttons see them; the angle box's keys and focus
  // leaving it.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Enter and Esc end in the panel: they never close the window around it.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnInitDialog();
  void BuildControls(const DialogUnits& du);
  void SetAccessibleTexts();
  // The operator's presses of a step button (mouse, Space, Enter) and the angle box's keys (Up
  // and Down step, Enter applies), all through the press table.
  bool OnStepButtonEvent(StepDirection direction, QEvent* event);
  bool OnAngleBoxEvent(QEvent* event);
  // A step key pressed or released; button is the step button it came to, or null for the angle
  // box. The event is always taken.
  bool OnStepKey(StepDirection direction, QKeyEvent* event, QToolButton* button);
  // The key holding a step is up, or focus has left where it was pressed: the hold ends.
  void EndKeyStep();
  // One step and no hold: a screen reader's Press.
  void StepOnce(StepDirection direction);
  void OnAngleBoxLeft();
  void OnSelectionChanged();
  void MoveServo(int angle, int travelMs);
  // The angle box's servo angle; when it holds none, the box shows the last angle again.
  std::optional<int> AngleOrLast();
  int AngleValue() const;
  int ReferenceValue() const;

  // IStepButtonHost
  bool StepAllowed(StepDirection direction) override;
  void TakeStep(StepDirection direction) override;
  void SetButtonHeldLook(StepDirection direction, bool held) override;
  void StartTimer(int id, int ms) override;
  void StopTimer(int id) override;

  QCheckBox* m_chkSelect = nullptr;       // 1004
  QLineEdit* m_editAngle = nullptr;       // 1001
  QLineEdit* m_editReference = nullptr;   // 1002
  CNumEdit* m_editOffset = nullptr;       // 1005
  int m_nServoId = 0;
  std::optional<int> m_nLastAngle;  // last shown as read, sent or loaded; none until then
  QToolButton* m_btnDecrement = nullptr;  // 1022
  QToolButton* m_btnIncrement = nullptr;  // 1021
  bool m_bInited = false;
  QLabel* m_stcNumber = nullptr;          // 1019

  IServoPanelHost* m_pHost;
  StepButtonTable m_stepTable{this};
  QTimer* m_timers[4] = {};  // TIMER_UP_START .. TIMER_DOWN_REPEAT
  // The key that holds a step down, while it does.
  struct KeyStep {
    StepDirection direction;
    int key;
    QToolButton* button;  // shown pressed while the key is down; null for the angle box
  };
  std::optional<KeyStep> m_keyStep;
  QIcon m_iconUp[2];         // at rest (green), held (red)
  QIcon m_iconDown[2];
};
