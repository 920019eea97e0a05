#include <algorithm>

#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "calibration/rules/CalibrationModel.h"
#include "cli/BackupFile.h"
#include "cli/BackupTarget.h"
#include "cli/CliRecords.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/OffsetWrites.h"
#include "cli/RobotTarget.h"
#include "cli/RunRecording.h"
#include "cli/SerialExchange.h"
#include "cli/ServoExchange.h"
#include "cli/ServoList.h"
#include "provisioning/SerialNumberFlow.h"

namespace {

using ServoOffsets = std::vector<std::pair<int, int>>;  // (servo id, offset)

std::vector<int> Ids(const ServoOffsets& offsets) {
  std::vector<int> ids;
  for (const auto& servo : offsets) ids.push_back(servo.first);
  return ids;
}

// The servos whose offsets can be written back: all but those flagged outside -89..89.
ServoOffsets Writable(const ServoOffsets& offsets) {
  ServoOffsets writable;
  for (const auto& servo : offsets) {
    if (IsWritableOffset(servo.second)) writable.push_back(servo);
  }
  return writable;
}

// The servos of offsets whose offset read now (now) is not theirs, or could not be read.
ServoOffsets Differing(const ServoOffsets& offsets, const ServoReplies& now) {
  ServoOffsets differing;
  for (const auto& [id, offset] : offsets) {
    const auto reply = now.byId.find(id);
    const bool same = reply != now.byId.end() && reply->second.ok && reply->second.value == offset;
    if (!same) differing.emplace_back(id, offset);
  }
  return differing;
}

// The servos of the backup that --ids names, in its order; all of them without --ids. False, with
// the outcome failed as bad input, when --ids names a servo the backup lacks.
bool ChosenServos(const CliOptions& options, const std::string& file, ServoOffsets* offsets, Outcome* outcome) {
  if (options.ids.empty()) return true;
  std::string error;
  ServoOffsets chosen;
  for (const int id : ParseServoList(options.ids, &error)) {
    const auto servo = std::find_if(offsets->begin(), offsets->end(), [id](const auto& s) { return s.first == id; });
    if (servo == offsets->end()) {
      outcome->Fail(kExitBadInput, file + " holds no servo " + std::to_string(id) + "; nothing was written");
      return false;
    }
    chosen.push_back(*servo);
  }
  *offsets = chosen;
  return true;
}

// One rule for backup and restore: a servo whose offset is outside -89..89 gets an "outOfRange"
// entry and the line "out-of-range servo ID offset=V", and the outcome, unless it failed already,
// is not a clean one (kExitOutOfRange, consequence saying what became of those servos).
void AddOutOfRange(const ServoOffsets& offsets, const std::string& consequence, Outcome* outcome) {
  outcome->report["outOfRange"] = Json::Value(Json::arrayValue);
  std::string named;
  for (const auto& [id, offset] : offsets) {
    if (IsWritableOffset(offset)) continue;
    Json::Value entry(Json::objectValue);
    entry["id"] = id;
    entry["offset"] = offset;
    outcome->report["outOfRange"].append(entry);
    outcome->Line("out-of-range servo " + std::to_string(id) + " offset=" + std::to_string(offset));
    named += (named.empty() ? "" : ", ") + std::to_string(id) + " (" + std::to_string(offset) + ")";
  }
  if (named.empty() || outcome->status != kExitOk) return;
  outcome->Fail(kExitOutOfRange, "offsets outside " + std::to_string(kMinCaliOffset) + ".." +
                                     std::to_string(kMaxCaliOffset) + " of servo " + named + ": " + consequence);
}

// The writes of a restore: the offsets that differ from the robot's (all with --all), each read
// back afterwards. "no offset differs" when there is nothing to write.
void WriteBackup(const CliOptions& options, RobotTarget& robot, const ServoOffsets& writable, Outcome* outcome) {
  ServoOffsets writes = writable;
  RunRecording recording(options, robot, RunKind::kRestore);
  // The offsets now: to leave out those that are right already, and as the record's "before".
  ServoReplies now;
  if (!options.all || recording.On()) {
    now = ReadServoOffsets(&robot.Link(), &robot.Budget(), Ids(writable));
    if (now.lost) {
      outcome->Fail(kExitUnreachable, "the link to the robot was lost");
      return;
    }
    if (!options.all) writes = Differing(writable, now);
  }
  outcome->report["unchanged"] = Json::Value(Json::arrayValue);
  for (const auto& servo : writable) {
    const bool written = std::find(writes.begin(), writes.end(), servo) != writes.end();
    if (!written) outcome->report["unchanged"].append(servo.first);
  }
  outcome->report["differences"] = Json::Value(Json::arrayValue);
  if (writes.empty()) {
    outcome->Line("no offset differs");
    return;
  }
  const std::vector<std::string> results = WriteServoOffsets(&robot.Link(), &robot.Budget(), writes, outcome);
  for (std::size_t i = 0; i < writes.size(); ++i) {
    recording.AddServo(writes[i].first, ReplyValue(now, writes[i].first), writes[i].second, results[i]);
  }
  recording.Keep(outcome);
  if (!LinkStands(&robot.Link(), outcome)) return;
  const ServoReplies readBack = ReadServoOffsets(&robot.Link(), &robot.Budget(), Ids(writes));
  if (readBack.lost) {
    outcome->Fail(kExitUnreachable, "the link to the robot was lost");
    return;
  }
  AddDifferences(outcome, writes, readBack, "backup");
  if (!outcome->report["differences"].empty()) {
    if (outcome->status == kExitOk) outcome->status = kExitRefused;
    outcome->error = "the offsets read back are not all the backup's";
  }
}

// The offsets of robot --from-history's latest successful calibration in the records (or of run
// --run), as a backup of that robot; *source names the run. False, with the outcome failed, when
// the records hold none or cannot be read.
bool ReadRecordedCalibration(const CliOptions& options, CalibrationBackup* backup, std::string* source,
                             Outcome* outcome) {
  CalibrationOffsets calibration;
  const std::optional<std::int64_t> run = options.runId > 0 ? std::optional<std::int64_t>(options.runId) : std::nullopt;
  if (!options.recorder->Calibration(options.fromHistory, run, &calibration, outcome)) return false;
  *backup = {options.fromHistory, calibration.run.robot.mac, FormatUtcTime(calibration.run.time),
             calibration.run.programVersion, calibration.offsets};
  *source = "run " + std::to_string(calibration.run.id) + " of the records";
  outcome->report["run"] = Json::Int64{calibration.run.id};
  return true;
}

}  // namespace

Outcome Backup(const CliOptions& options, RobotTarget& robot) {
  Outcome outcome = OutcomeWithServos();
  // Standard output carries the backup itself: the report goes to standard error.
  outcome.reportOnStderr = options.file == "-";
  const std::vector<int> ids = CoveredServos(options, &outcome);
  if (ids.empty()) return outcome;
  BackupTarget target(options.file, options.outputFd);
  std::string error;
  if (!target.Open(&error)) return outcome.Fail(kExitLocal, error + "; nothing was sent");
  if (!robot.Connect(&outcome)) return outcome;
  const SerialResult serial = ReadRobotSerial(robot, &outcome);
  if (!serial.ok) return outcome;
  robot.NoteSerial(serial.serial);
  outcome.report["serial"] = serial.serial;
  outcome.report["mac"] = serial.mac;
  if (!target.NameAfter(serial.serial, &error)) return outcome.Fail(kExitLocal, "cannot write the backup: " + error);
  // Two robots that report one serial number would share one file, the second replacing the first.
  if (!robot.Claim(target.Path())) {
    return outcome.Fail(kExitLocal, "cannot write " + target.Path() + ": it holds the backup of another robot of "
                                    "this run, with the same serial number " + serial.serial);
  }
  CalibrationBackup backup{serial.serial, serial.mac, BackupTimeNow(),
                           ZAVNarrowToUtf8(GetFileVersionText(RunningExecutablePath())), {}};
  const ServoReplies replies = ReadServoOffsets(&robot.Link(), &robot.Budget(), ids);
  AddServoReplies(&outcome, ids, replies, "offset");
  // Half a backup would put wrong offsets back later: the file is written only whole.
  bool written = false;
  if (outcome.status != kExitOk) {
    if (outcome.error.empty()) {
      outcome.Fail(outcome.status, "not every servo answered; " + target.Path() + " was not written");
    }
  } else {
    for (const auto& [id, reply] : replies.byId) backup.offsets.emplace_back(id, reply.value);
    written = target.Commit(BackupToText(backup), &error);
    if (!written) outcome.Fail(kExitLocal, error);
  }
  // The file is named only once it holds the backup.
  if (written) {
    outcome.report["file"] = target.Path();
    AddOutOfRange(backup.offsets, "flagged in " + target.Path() + "; restore leaves those servos out", &outcome);
  }
  outcome.text = "serial=" + backup.serial + " mac=" + backup.mac + (written ? " file=" + target.Path() : "") +
                 "\n" + outcome.text;
  return outcome;
}

Outcome Restore(const CliOptions& options, RobotTarget& robot) {
  Outcome outcome = OutcomeWithServos();
  outcome.report["dryRun"] = options.dryRun;
  CalibrationBackup backup;
  std::string error;
  // The offsets are read before the robot is asked; in a folder the robot's serial number names
  // the file.
  const bool fromRecords = !options.fromHistory.empty();
  const bool folder = !fromRecords && BackupTarget::IsFolder(options.file);
  std::string source = options.file == "-" ? "standard input" : options.file;
  if (fromRecords) {
    if (!ReadRecordedCalibration(options, &backup, &source, &outcome)) return outcome;
  } else if (!folder && !ReadBackupFile(options.file, &backup, &error)) {
    return outcome.Fail(kExitBadInput, error + "; nothing was sent");
  }
  if (!robot.Connect(&outcome)) return outcome;
  const SerialResult serial = ReadRobotSerial(robot, &outcome);
  if (!serial.ok) return outcome;
  robot.NoteSerial(serial.serial);
  outcome.report["serial"] = serial.serial;
  if (folder && !(BackupTarget::FileInFolder(options.file, serial.serial, &source, &error) &&
                  ReadBackupFile(source, &backup, &error))) {
    return outcome.Fail(kExitBadInput, error + "; nothing was written");
  }
  outcome.report["backupSerial"] = backup.serial;
  if (!fromRecords) outcome.report["file"] = source;
  outcome.Line("serial=" + serial.serial + " backup-serial=" + backup.serial +
               (fromRecords ? " run=" + outcome.report["run"].asString() : ""));
  if (!SameSerial(ZAVWidenUtf8(serial.serial), ZAVWidenUtf8(backup.serial)) && !options.force) {
    return outcome.Fail(kExitBadInput, source + (fromRecords ? " is a calibration" : " is the backup") + " of robot " +
                                           backup.serial + ", not of " +
                                           (serial.serial.empty() ? "this one, which holds no serial number" : serial.serial) +
                                           " (--force writes it anyway); nothing was written");
  }
  if (!ChosenServos(options, source, &backup.offsets, &outcome)) return outcome;
  const ServoOffsets writable = Writable(backup.offsets);
  if (options.dryRun) {
    // What a restore would change: the robot's offsets now against the backup's.
    const ServoReplies now = ReadServoOffsets(&robot.Link(), &robot.Budget(), Ids(writable));
    AddServoReplies(&outcome, Ids(writable), now, "offset");
    AddDifferences(&outcome, writable, now, "backup");
  } else {
    WriteBackup(options, robot, writable, &outcome);
  }
  AddOutOfRange(backup.offsets, "flagged in " + source + (options.dryRun ? "; would not be written" : "; not written"),
                &outcome);
  return outcome;
}
