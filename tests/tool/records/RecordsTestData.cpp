#include "tool/records/RecordsTestData.h"

RunRecord TestRun(const std::string& label, RunKind kind, RobotIdentity robot, int minutes,
                  std::vector<ServoRecord> servos) {
  RunRecord run;
  run.time = TestTime(minutes);
  run.station = label;
  run.operatorName = "op";
  run.program = "caltrim-cli";
  run.programVersion = "1.0.0.4";
  run.robot = std::move(robot);
  run.kind = kind;
  run.servos = std::move(servos);
  return run;
}

std::chrono::system_clock::time_point TestTime(int minutes, int ms) {
  return FromUnixMs(1779264000000LL + minutes * 60000LL + ms);
}

ServoRecord Ok(int id, int sent, std::optional<int> before) { return {id, before, sent, ServoOutcome::kOk}; }
ServoRecord Failed(int id, int sent) { return {id, std::nullopt, sent, ServoOutcome::kFailed}; }
ServoRecord NoReply(int id, int sent) { return {id, std::nullopt, sent, ServoOutcome::kNoReply}; }

HistoryQuery Query(std::string serial, std::string mac, std::optional<std::chrono::system_clock::time_point> since,
                   int limit) {
  HistoryQuery query;
  query.serial = std::move(serial);
  query.mac = std::move(mac);
  query.since = since;
  query.limit = limit;
  return query;
}

std::vector<std::string> Labels(const std::vector<RunRecord>& runs) {
  std::vector<std::string> labels;
  for (const RunRecord& run : runs) labels.push_back(run.station);
  return labels;
}
