#include "cli/RunRecording.h"

#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "cli/CliRecords.h"
#include "cli/RobotTarget.h"

RunRecording::RunRecording(const CliOptions& options, RobotTarget& robot, RunKind kind) {
  if (options.recorder == nullptr || !options.recorder->On()) return;
  m_records = options.recorder;
  std::string error;
  m_on = m_records->Writer(&error) != nullptr;
  m_run = NewRunRecord(kind, "caltrim-cli", ZAVNarrowToUtf8(GetFileVersionText(RunningExecutablePath())));
  const RobotTarget::Identity& who = robot.Who();
  m_run.robot = {who.name, who.ip, who.mac, m_on ? robot.Serial() : std::string()};
}

void RunRecording::AddServo(int id, std::optional<int> before, int sent, const std::string& result) {
  m_run.servos.push_back({id, before, sent, ServoOutcomeFromName(result).value_or(ServoOutcome::kNoReply)});
}

void RunRecording::Keep(Outcome* outcome) {
  if (m_records == nullptr || (m_run.servos.empty() && m_run.kind != RunKind::kSerialWrite)) return;
  m_records->Keep(m_run, outcome);
}
