#pragma once

#include <QString>
#include <QTimer>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ZAVCritSec.h"
#include "ZAVServoSocket.h"
#include "calibration/rules/CalibrationRun.h"

class CServoItemDlg;
class RunRecorder;

// The calibration commands over all servos (read offsets, calibrate, reset, read angles) and the
// handling of the servo replies, apart from the main window, as the USB link worker is.

// Timers of the commands, named by the ids the window has always given them.
constexpr int TIMER_CALI_TIMEOUT = 0;  // ends a calibration run that is not answered in full
constexpr int TIMER_READ_CALI = 5000;  // re-enables Read check

// What the commands use of the main window. Every member is called on the user-interface thread,
// except CommandLock and Session, which the calibration worker calls with the lock held.
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
  // The Calibrate button idle (tick icon, enabled while connected) or running (stop icon,
  // disabled).
  virtual void SetCalibrateIdle(bool idle) = 0;
  // The window's message display.
  virtual void ShowStatus(const QString& text, bool busy) = 0;
  // The window's status line (control 1020).
  virtual void SetStatusLine(const QString& text) = 0;
  // A message box with the application's title and an OK button.
  virtual void ShowMessage(const QString& text) = 0;
  // Runs fn on the user-interface thread, queued behind what was posted before (at once there).
  virtual void RunOnUiThread(std::function<void()> fn) = 0;
  // Starts a thread running body; throws std::system_error when none can be had.
  virtual std::thread StartThread(std::function<void()> body) = 0;
  // The window's lock (m_csLock): whoever releases the session holds it.
  virtual ZAVCritSec& CommandLock() = 0;
  // Shut-down has begun: nothing may show any more.
  virtual bool ShuttingDown() = 0;
  // TIMER_CALI_TIMEOUT's period in ms.
  virtual int CaliTimeoutMs() = 0;
  // What the commands do to the robot, for the calibration records: the reads, each calibration
  // run as it ends, each reset.
  virtual RunRecorder& Recorder() = 0;
};

// The commands and reply handlers. The commands run on the user-interface thread; each reply
// handler says on which thread it runs. A reply for a servo id that has no panel is ignored.
class CalibrationCommands {
 public:
  // Serves host, which outlives this object.
  explicit CalibrationCommands(ICalibrationHost* host);
  // Waits for the calibration worker.
  ~CalibrationCommands();

  // Read check, and once connected: asks every servo for its stored offset, then keeps the Read
  // check button disabled for 500 ms. Does nothing without a session or a connection type.
  void ReadAllCaliValues();
  // Asks every servo for its current angle.
  void ReadAllAngles();
  // Calibrate: the selected servos' offset boxes, as they stand now, go to CaliWorkerThread, which
  // writes each writable value; the run ends at the last reply or TIMER_CALI_TIMEOUT. With
  // nothing selected, a message box says so.
  void StartCalibration();
  // Reset: moves every servo to its reference angle in 2000 ms, one every 50 ms, showing the
  // window's offset for it. A servo whose reference box holds no servo angle (its ID key missing,
  // or not a whole number from 0 to 240) is left where it is, and the status line names it.
  // Takes no input meanwhile; the panels repaint as they change.
  void ResetRobot();
  // A calibration run is under way (Calibrate stays disabled).
  bool CalibrationRunning() const { return m_vecPendingCali.Running(); }
  // The link has gone (or the window is closing): a run under way ends now, unanswered (its
  // replies cannot come any more), is recorded, and never reports itself finished. True when a
  // run was under way; the caller says so.
  bool EndRunWithLink();
  // Waits for the calibration worker, if one was started.
  void JoinWorker();

  // On the user-interface thread, in the order the replies arrived.
  // Reply to a read of servo id's offset: the panel takes input when ok, shows the value (0 when
  // !ok) in red unless ok, and the value becomes its base offset and the window's record.
  void ApplyCaliRead(bool ok, int id, int value);
  // Reply to a read of servo id's angle: the panel shows it and takes input when ok.
  void ApplyAngleRead(bool ok, int id, int angle);

  // On the session's receive thread: reply to a write of servo id's offset. It takes the first
  // pending write of the servo; the box shows "Ok" (the value becomes the base offset) or
  // "Failed". A reply with no pending write (after the time-out) takes the window's record of
  // the servo, the value last sent to it, as the base offset.
  void OnSetCaliAngel(bool ok, int id);

 private:
  using SelectedBoxes = std::vector<std::pair<int, std::string>>;  // servo id, offset box text

  CServoItemDlg* ServoItem(int id) const;
  // The calibration worker: writes the selected boxes' values.
  void CaliWorkerThread(const SelectedBoxes& boxes);
  void ApplyCaliWrite(bool ok, int id, CalibrationRun::Reply reply);
  void EndCalibrationRun();

  ICalibrationHost* m_host;
  QTimer m_timerReadCali;     // TIMER_READ_CALI
  QTimer m_timerCaliTimeout;  // TIMER_CALI_TIMEOUT
  CalibrationRun m_vecPendingCali;  // the run's writes sent and not yet answered
  std::thread m_caliWorker;
};
