#pragma once

#include <QTimer>
#include <vector>

#include "ZAVServoSocket.h"

class CServoItemDlg;

// The calibration commands over all servos (read offsets, calibrate, reset, read angles) and the
// handling of the servo replies, apart from the main window, as the USB link worker is.

// What the commands use of the main window.
class ICalibrationHost {
 public:
  virtual ~ICalibrationHost() = default;
  // The window's session, or null.
  virtual CIZAVSocketSession* Session() = 0;
  // The window's connection type (m_nConnectType).
  virtual int ConnectType() = 0;
  // The servo panels; element k is servo k + 1.
  virtual const std::vector<CServoItemDlg*>& ServoItems() const = 0;
  // The window's record (m_fCaliValue) of the offset of servo id, 1 to MAX_SERVO_NUM.
  virtual float& CaliValue(int id) = 0;
  // Enables or disables the Read check button.
  virtual void EnableReadCheck(bool enable) = 0;
};

// The commands and reply handlers. The commands run on the user-interface thread; each reply
// handler says on which thread it runs. A reply for a servo id that has no panel is ignored.
class CalibrationCommands {
 public:
  // Serves host, which outlives this object.
  explicit CalibrationCommands(ICalibrationHost* host);

  // Read check, and once connected: asks every servo for its stored offset, then keeps the Read
  // check button disabled for 500 ms. Does nothing without a session or a connection type.
  void ReadAllCaliValues();
  // Asks every servo for its current angle.
  void ReadAllAngles();
  // Calibrate: writes the offsets of the selected servos. Not built yet: does nothing.
  void StartCalibration();
  // Reset: moves every servo to its reference angle. Not built yet: does nothing.
  void ResetRobot();

  // On the user-interface thread, in the order the replies arrived.
  // Reply to a read of servo id's offset: the panel takes input when ok, shows the value (0 when
  // !ok) in red unless ok, and the value becomes its base offset and the window's record.
  void ApplyCaliRead(bool ok, int id, int value);
  // Reply to a read of servo id's angle: the panel shows it and takes input when ok.
  void ApplyAngleRead(bool ok, int id, int angle);

  // On the session's receive thread: reply to a write of servo id's offset. Not built yet: does
  // nothing.
  void OnSetCaliAngel(bool ok, int id);

 private:
  CServoItemDlg* ServoItem(int id) const;

  ICalibrationHost* m_host;
  QTimer m_timerReadCali;  // re-enables Read check
};
