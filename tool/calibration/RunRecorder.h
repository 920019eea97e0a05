#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calibration/rules/CalibrationRun.h"
#include "records/RunRecord.h"

// What the main window's runs do to the connected robot, as calibration records: the robot as the
// window knows it, each servo's offset as last read from it or accepted by it (the "before" of
// the next run: the window reads nothing extra for it), and one record for each run that sent the
// robot something, handed to keep as the run ends. Plain C++, no Qt: the window calls it on the
// user-interface thread only.
class RunRecorder {
 public:
  // programVersion: the window's file version ("1.0.0.4"); keep takes each finished record.
  RunRecorder(std::string programVersion, std::function<void(const RunRecord&)> keep);

  // A robot is connected: its name (empty when unknown, as over USB), address and discovery's MAC
  // (empty over USB). Its serial number comes with SetSerial. What was known of the robot before
  // is forgotten.
  void Connected(RobotIdentity robot);
  // The link has ended: nothing is known or recorded until the next Connected.
  void Disconnected();
  bool IsConnected() const { return m_bConnected; }
  const RobotIdentity& Robot() const { return m_robot; }
  // The robot's serial number as it answered the read after connecting (may be empty: a robot
  // without one is recorded under its MAC, or its address).
  void SetSerial(std::string serial);

  // A read of servo id's offset: its value, or nothing when the read failed.
  void OffsetRead(int id, std::optional<int> value);
  // A write answer that came after its run had ended: an accepted value is the servo's offset.
  void LateWriteAnswer(int id, bool ok, int value);
  // The offsets known now of servos 1 to count (none where unknown).
  std::vector<std::optional<int>> Offsets(int count) const;

  // Calibrate: a run begins; the offsets known now are its "before".
  void CalibrationBegun();
  // The run has ended with these writes: recorded when it sent any (a write without an answer as
  // "no reply"). An accepted value is the servo's offset from now on; a refused one leaves it as
  // it was; an unanswered one leaves it unknown.
  void CalibrationEnded(const std::vector<CalibrationRun::Write>& writes);
  // Reset sent servos to angles (id, angle). The link carries no answer to a move, so each is
  // recorded "no reply"; a reset changes no offset and has no "before".
  void ResetSent(const std::vector<std::pair<int, int>>& moves);
  // The robot took serial as its serial number: recorded under it, as is every later run.
  void SerialWritten(const std::string& serial);

 private:
  void Keep(RunRecord run);

  const std::string m_strProgramVersion;
  const std::function<void(const RunRecord&)> m_keep;
  bool m_bConnected = false;
  RobotIdentity m_robot;
  std::map<int, int> m_known;             // servo id -> offset, where known
  std::map<int, int> m_knownAtRunStart;   // the calibration run's "before"
};
