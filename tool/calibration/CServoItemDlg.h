#pragma once

#include <QFrame>

#include "platform/NotifyWindow.h"

class QCheckBox;
class QLabel;
class QLineEdit;
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
// the reference angle, the calibration offset and the selection box for Calibrate. The main
// window creates, places and destroys the panels; the calibration commands write their boxes.
// Every member is used on the user-interface thread only.
class CServoItemDlg : public QFrame {
  Q_OBJECT

 public:
  // A panel inside parent that reports its selection box to mainWindow.
  CServoItemDlg(QWidget* parent, IZAVNotifyWindow* mainWindow);

  // Sets the servo id, the number label and the selection box caption.
  void SetServoId(int id);
  int ServoId() const { return m_nServoId; }

  // Enables or disables every child control at once and records it in m_bEnabled.
  void EnablePanel(bool enable);
  // Records the result of the last read or write; the offset text is red while it is false.
  void SetLastOk(bool ok);

  bool IsSelected() const;
  void SetSelected(bool selected);

  QLineEdit* AngleBox() const { return m_editAngle; }
  QLineEdit* ReferenceBox() const { return m_editReference; }
  QLineEdit* OffsetBox() const { return m_editOffset; }

  // Base offset: the offset last read from the servo or last confirmed by it.
  int m_nBaseCali = 0;
  // The panel takes input (connection up, last read good).
  bool m_bEnabled = false;
  // Result of the last read or write reply.
  bool m_bLastOk = false;

 private:
  void BuildControls();
  void OnSelectionClicked();

  QCheckBox* m_chkSelect = nullptr;       // 1004
  QLineEdit* m_editAngle = nullptr;       // 1001
  QLineEdit* m_editReference = nullptr;   // 1002
  QLineEdit* m_editOffset = nullptr;      // 1005
  int m_nServoId = 0;
  QToolButton* m_btnDecrement = nullptr;  // 1022
  QToolButton* m_btnIncrement = nullptr;  // 1021
  bool m_bInited = false;
  QLabel* m_stcNumber = nullptr;          // 1019
  IZAVNotifyWindow* m_pMainWnd;
};
