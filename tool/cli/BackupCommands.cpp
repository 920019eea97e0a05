#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "cli/BackupFile.h"
#include "cli/BackupTarget.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/OffsetWrites.h"
#include "cli/SerialExchange.h"
#include "cli/ServoExchange.h"
#include "provisioning/SerialNumberFlow.h"

namespace {

std::vector<int> BackupIds(const CalibrationBackup& backup) {
  std::vector<int> ids;
  for (const auto& servo : backup.offsets) ids.push_back(servo.first);
  return ids;
}

// One line and one "differences" entry for each servo whose offset read from the robot is not
// the backup's, or could not be read ("robot" null, robot=none).
void AddDifferences(const CalibrationBackup& backup, const ServoReplies& replies, Outcome* outcome) {
  outcome->report["differences"] = Json::Value(Json::arrayValue);
  for (const auto& [id, offset] : backup.offsets) {
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
  if (written) outcome.report["file"] = options.file;
  outcome.text = "serial=" + backup.serial + " mac=" + backup.mac + (written ? " file=" + options.file : "") + "\n" + outcome.text;
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
  const std::vector<int> ids = BackupIds(backup);
  const auto idle = std::chrono::seconds(options.timeoutSeconds);
  if (options.dryRun) {
    // What a restore would change: the robot's offsets now against the backup's.
    const ServoReplies now = ReadServoOffsets(&link, ids, idle);
    AddServoReplies(&outcome, ids, now, "offset");
    AddDifferences(backup, now, &outcome);
    return outcome;
  }
  WriteServoOffsets(&link, backup.offsets, &outcome);
  if (!LinkStands(&link, &outcome)) return outcome;
  const ServoReplies readBack = ReadServoOffsets(&link, ids, idle);
  if (readBack.lost) return outcome.Fail(kExitUnreachable, "the link to the robot was lost");
  AddDifferences(backup, readBack, &outcome);
  if (!outcome.report["differences"].empty()) {
    if (outcome.status == kExitOk) outcome.status = kExitRefused;
    outcome.error = "the offsets read back are not all the backup's";
  }
  return outcome;
}
