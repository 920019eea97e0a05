#pragma once

#include <optional>
#include <string>

#include "cli/CommandLine.h"
#include "cli/Outcome.h"
#include "records/RunRecord.h"

class CliRecords;
class RobotTarget;

// A run that changes a robot, as caltrim-cli records it (CliRecords): begun once the robot is
// connected, which reads the robot's serial number unless the command read it already (the one
// extra read of records on the link), given each servo's offset before, the value sent and the
// answer, and kept at the end. The robot is named by discovery's name and MAC where discovery
// found it, its address, and that serial number.
class RunRecording {
 public:
  // Records nothing, and reads nothing, with records off, or when the store cannot
  // be opened (then Keep says why in the report and on standard error).
  RunRecording(const CliOptions& options, RobotTarget& robot, RunKind kind);

  // Whether the run goes into a store: the command then reads each servo's offset before it
  // changes anything, where it does not read it anyway.
  bool On() const { return m_on; }

  // A servo sent value (an offset, or the angle of a reset), with its answer ("Ok", "Failed",
  // "no reply") and its offset before, when that was read.
  void AddServo(int id, std::optional<int> before, int sent, const std::string& result);
  // The serial number the robot took, for a serial-number write.
  void SetSerial(const std::string& serial) { m_run.robot.serial = serial; }

  // Keeps the run: a serial-number write, or a run that sent a servo anything (a restore that
  // finds nothing to write changed nothing, and is not recorded).
  void Keep(Outcome* outcome);

 private:
  CliRecords* m_records = nullptr;
  bool m_on = false;
  RunRecord m_run;
};
