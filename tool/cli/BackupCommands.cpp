#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "calibration/rules/CalibrationModel.h"
#include "cli/BackupFile.h"
#include "cli/BackupTarget.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/OffsetWrites.h"
#include "cli/SerialExchange.h"
#include "cli/ServoExchange.h"
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

// One line and one "differences" entry for each servo whose offset read from the robot is not
// the backup's, or could not be read ("robot" null, robot=none).
void AddDifferences(const ServoOffsets& offsets, const ServoReplies& replies, Outcome* outcome) {
  outcome->report["differences"] = Json::Value(Json::arrayValue);
  for (const auto& [id, offset] : offsets) {
    const auto reply = replies.byId.find(id);
    const bool read = reply != replies.byId.end() && reply->second.ok;
    if (read && reply->second.value == offset) continue;
    Json::Value entry(Json::objectValue);
    entry["id"] = id;
    entry["robot"] = read ? Json::Value(reply->second.value) : Json::Value();
    entry["backup"] = offset;
    outcome->report["differences"].append(entry);
    outcome->Line("differs servo " + std::to_string(id) + " robot=" +
                  (read ? std::to_string(reply->second.value) : std::string("none")) +
                  " backup=" + std::to_string(offset));
  }
}

}  // namespace

Outcome Backup(const CliOptions& options) {
  Outcome outcome = ServoOutcome();
  const std::vector<int> ids = CoveredServos(options, &outcome);
  if (ids.empty()) return outcome;
  BackupTarget target(options.file);
  std::string error;
  if (!target.Open(&error)) return outcome.Fail(kExitLocal, error + "; nothing was sent");
  RobotLink link;
  if (!ConnectRobot(options, &link, &outcome)) return outcome;
  const SerialResult serial = ReadRobotSerial(&link, &outcome);
  if (!serial.ok) return outcome;
  CalibrationBackup backup{serial.serial, serial.mac, BackupTimeNow(),
                           ZAVNarrowToUtf8(GetFileVersionText(RunningExecutablePath())), {}};
  outcome.report["serial"] = backup.serial;
  outcome.report["mac"] = backup.mac;
  const ServoReplies replies = ReadServoOffsets(&link, ids, std::chrono::seconds(options.timeoutSeconds));
  AddServoReplies(&outcome, ids, replies, "offset");
  // Half a backup would put wrong offsets back later: the file is written only whole.
  bool written = false;
  if (outcome.status != kExitOk) {
    if (outcome.error.empty()) outcome.Fail(outcome.status, "not every servo answered; " + options.file + " was not written");
  } else {
    for (const auto& [id, reply] : replies.byId) backup.offsets.emplace_back(id, reply.value);
    written = target.Commit(BackupToText(backup), &error);
    if (!written) outcome.Fail(kExitLocal, error);
  }
  // The file is named only once it holds the backup.
  if (written) {
    outcome.report["file"] = options.file;
    AddOutOfRange(backup.offsets, "flagged in " + options.file + "; restore leaves those servos out", &outcome);
  }
  outcome.text = "serial=" + backup.serial + " mac=" + backup.mac +
                 (written ? " file=" + options.file : "") + "\n" + outcome.text;
  return outcome;
}

Outcome Restore(const CliOptions& options) {
  Outcome outcome = ServoOutcome();
  outcome.report["dryRun"] = options.dryRun;
  CalibrationBackup backup;
  std::string error;
  if (!ReadBackupFile(options.file, &backup, &error)) return outcome.Fail(kExitBadInput, error + "; nothing was sent");
  RobotLink link;
  if (!ConnectRobot(options, &link, &outcome)) return outcome;
  const SerialResult serial = ReadRobotSerial(&link, &outcome);
  if (!serial.ok) return outcome;
  outcome.report["serial"] = serial.serial;
  outcome.report["backupSerial"] = backup.serial;
  outcome.Line("serial=" + serial.serial + " backup-serial=" + backup.serial);
  if (!SameSerial(ZAVWidenUtf8(serial.serial), ZAVWidenUtf8(backup.serial)) && !options.force) {
    return outcome.Fail(kExitBadInput, options.file + " is the backup of robot " + backup.serial + ", not of " +
                                           serial.serial + " (--force writes it anyway); nothing was written");
  }
  const ServoOffsets writes = Writable(backup.offsets);
  const std::vector<int> ids = Ids(writes);
  const auto idle = std::chrono::seconds(options.timeoutSeconds);
  if (options.dryRun) {
    // What a restore would change: the robot's offsets now against the backup's.
    const ServoReplies now = ReadServoOffsets(&link, ids, idle);
    AddServoReplies(&outcome, ids, now, "offset");
    AddDifferences(writes, now, &outcome);
  } else {
    WriteServoOffsets(&link, writes, &outcome);
    if (!LinkStands(&link, &outcome)) return outcome;
    const ServoReplies readBack = ReadServoOffsets(&link, ids, idle);
    if (readBack.lost) return outcome.Fail(kExitUnreachable, "the link to the robot was lost");
    AddDifferences(writes, readBack, &outcome);
    if (!outcome.report["differences"].empty()) {
      if (outcome.status == kExitOk) outcome.status = kExitRefused;
      outcome.error = "the offsets read back are not all the backup's";
    }
  }
  AddOutOfRange(backup.offsets,
                "flagged in " + options.file + (options.dryRun ? "; would not be written" : "; not written"),
                &outcome);
  return outcome;
}
