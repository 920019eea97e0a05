#include "calibration/RunRecorder.h"

namespace {

constexpr char kProgram[] = "Caltrim";

std::optional<int> Lookup(const std::map<int, int>& offsets, int id) {
  const auto found = offsets.find(id);
  return found == offsets.end() ? std::nullopt : std::optional<int>(found->second);
}

}  // namespace

RunRecorder::RunRecorder(std::string programVersion, std::function<void(const RunRecord&)> keep)
    : m_strProgramVersion(std::move(programVersion)), m_keep(std::move(keep)) {}

void RunRecorder::Connected(RobotIdentity robot) {
  m_bConnected = true;
  m_robot = std::move(robot);
  m_known.clear();
}

void RunRecorder::Disconnected() {
  m_bConnected = false;
  m_robot = {};
  m_known.clear();
}

void RunRecorder::SetSerial(std::string serial) {
  if (m_bConnected) m_robot.serial = std::move(serial);
}

void RunRecorder::OffsetRead(int id, std::optional<int> value) {
  if (value) {
    m_known[id] = *value;
  } else {
    m_known.erase(id);
  }
}

void RunRecorder::LateWriteAnswer(int id, bool ok, int value) {
  if (ok) m_known[id] = value;
}

std::vector<std::optional<int>> RunRecorder::Offsets(int count) const {
  std::vector<std::optional<int>> offsets;
  for (int id = 1; id <= count; ++id) offsets.push_back(Lookup(m_known, id));
  return offsets;
}

void RunRecorder::CalibrationBegun() { m_knownAtRunStart = m_known; }

void RunRecorder::CalibrationEnded(const std::vector<CalibrationRun::Write>& writes) {
  RunRecord run = NewRunRecord(RunKind::kCalibrate, kProgram, m_strProgramVersion);
  for (const CalibrationRun::Write& write : writes) {
    const ServoOutcome outcome = !write.ok ? ServoOutcome::kNoReply : *write.ok ? ServoOutcome::kOk : ServoOutcome::kFailed;
    run.servos.push_back({write.servoId, Lookup(m_knownAtRunStart, write.servoId), write.value, outcome});
    if (outcome == ServoOutcome::kOk) m_known[write.servoId] = write.value;
    if (outcome == ServoOutcome::kNoReply) m_known.erase(write.servoId);
  }
  if (!run.servos.empty()) Keep(std::move(run));
}

void RunRecorder::ResetSent(const std::vector<std::pair<int, int>>& moves) {
  RunRecord run = NewRunRecord(RunKind::kReset, kProgram, m_strProgramVersion);
  for (const auto& [id, angle] : moves) run.servos.push_back({id, std::nullopt, angle, ServoOutcome::kNoReply});
  if (!run.servos.empty()) Keep(std::move(run));
}

void RunRecorder::SerialWritten(const std::string& serial) {
  if (!m_bConnected) return;
  m_robot.serial = serial;
  Keep(NewRunRecord(RunKind::kSerialWrite, kProgram, m_strProgramVersion));
}

void RunRecorder::Keep(RunRecord run) {
  if (!m_bConnected) return;
  run.robot = m_robot;
  m_keep(run);
}
