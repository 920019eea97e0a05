// history and history stats: what the calibration records hold, for people (lines), scripts
// (--json) and spreadsheets (--csv).

#include <cstdio>

#include "cli/CliRecords.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/Csv.h"

namespace {

std::string OrNone(const std::string& text) { return text.empty() ? "none" : text; }

std::string NumberOrNone(std::optional<int> value) { return value ? std::to_string(*value) : "none"; }

Json::Value NumberOrNull(std::optional<int> value) { return value ? Json::Value(*value) : Json::Value(); }

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// "run 12 2026-05-20T08:00:00.123Z offsets-write serial=SN1 mac=none ip=10.0.0.5 name=Vorla2_01
// station=line-3 operator=anna program=caltrim-cli/1.0.0.4", then "  servo 3 Ok before=2 sent=-5"
// per servo.
void AddRunLines(const RunRecord& run, Outcome* outcome) {
  outcome->Line("run " + std::to_string(run.id) + " " + FormatUtcTime(run.time) + " " +
                std::string(RunKindName(run.kind)) + " serial=" + OrNone(run.robot.serial) +
                " mac=" + OrNone(run.robot.mac) + " ip=" + OrNone(run.robot.address) + " name=" +
                OrNone(run.robot.name) + " station=" + OrNone(run.station) + " operator=" + OrNone(run.operatorName) +
                " program=" + run.program + "/" + run.programVersion);
  for (const ServoRecord& servo : run.servos) {
    outcome->Line("  servo " + std::to_string(servo.id) + " " + std::string(ServoOutcomeName(servo.outcome)) +
                  " before=" + NumberOrNone(servo.before) + " sent=" + NumberOrNone(servo.sent));
  }
}

Json::Value RunObject(const RunRecord& run) {
  Json::Value object(Json::objectValue);
  object["id"] = Json::Int64{run.id};
  object["uid"] = run.uid;
  object["time"] = FormatUtcTime(run.time);
  object["kind"] = std::string(RunKindName(run.kind));
  object["station"] = run.station;
  object["operator"] = run.operatorName;
  object["program"] = run.program;
  object["programVersion"] = run.programVersion;
  Json::Value& robot = object["robot"];
  robot["name"] = run.robot.name;
  robot["ip"] = run.robot.address;
  robot["mac"] = run.robot.mac;
  robot["serial"] = run.robot.serial;
  object["servos"] = Json::Value(Json::arrayValue);
  for (const ServoRecord& servo : run.servos) {
    Json::Value entry(Json::objectValue);
    entry["id"] = servo.id;
    entry["result"] = std::string(ServoOutcomeName(servo.outcome));
    entry["before"] = NumberOrNull(servo.before);
    entry["sent"] = NumberOrNull(servo.sent);
    object["servos"].append(entry);
  }
  return object;
}

// One record per servo of run; a run that sent no servo (a serial-number write) one with the servo
// fields empty.
void AddRunRecords(const RunRecord& run, std::string* csv) {
  const std::vector<std::string> fields = {std::to_string(run.id), FormatUtcTime(run.time),
                                           std::string(RunKindName(run.kind)), run.robot.serial, run.robot.mac,
                                           run.robot.address, run.robot.name, run.station, run.operatorName,
                                           run.program, run.programVersion, run.uid};
  const auto text = [](std::optional<int> value) { return value ? std::to_string(*value) : std::string(); };
  if (run.servos.empty()) {
    std::vector<std::string> record = fields;
    record.insert(record.end(), 4, "");
    *csv += CsvRecord(record);
  }
  for (const ServoRecord& servo : run.servos) {
    std::vector<std::string> record = fields;
    record.insert(record.end(), {std::to_string(servo.id), text(servo.before), text(servo.sent),
                                 std::string(ServoOutcomeName(servo.outcome))});
    *csv += CsvRecord(record);
  }
}

}  // namespace

Outcome History(const CliOptions& options) {
  Outcome outcome;
  outcome.report["runs"] = Json::Value(Json::arrayValue);
  HistoryQuery query;
  query.serial = options.historySerial;
  query.mac = options.historyMac;
  std::string error;
  if (!options.since.empty()) {
    std::chrono::system_clock::time_point since;
    if (!ParseUtcTime(options.since, &since, &error)) return outcome.Fail(kExitBadInput, "--since: " + error);
    query.since = since;
  }
  IRecordsReader* records = options.recorder->Reader(&outcome);
  if (records == nullptr) return outcome;
  std::vector<RunRecord> runs;
  if (!records->History(query, &runs, &error)) {
    return outcome.Fail(options.recorder->FailureStatus(), "cannot read the records: " + error);
  }
  if (runs.empty()) Progress("no run recorded matches");
  if (options.csv) {
    outcome.text = CsvRecord({"run", "time", "kind", "serial", "mac", "ip", "name", "station", "operator", "program",
                              "program_version", "uid", "servo", "before", "sent", "result"});
  }
  for (const RunRecord& run : runs) {
    outcome.report["runs"].append(RunObject(run));
    if (options.csv) {
      AddRunRecords(run, &outcome.text);
    } else {
      AddRunLines(run, &outcome);
    }
  }
  return outcome;
}

Outcome HistoryStats(const CliOptions& options) {
  Outcome outcome;
  outcome.report["servos"] = Json::Value(Json::arrayValue);
  IRecordsReader* records = options.recorder->Reader(&outcome);
  if (records == nullptr) return outcome;
  std::vector<ServoStats> stats;
  std::string error;
  if (!records->Stats(&stats, &error)) {
    return outcome.Fail(options.recorder->FailureStatus(), "cannot read the records: " + error);
  }
  if (options.csv) outcome.text = CsvRecord({"servo", "count", "mean", "min", "max", "stddev", "near_limit"});
  for (const ServoStats& servo : stats) {
    Json::Value entry(Json::objectValue);
    entry["id"] = servo.servo;
    entry["count"] = servo.count;
    entry["mean"] = servo.mean;
    entry["min"] = servo.min;
    entry["max"] = servo.max;
    entry["stddev"] = servo.stddev;
    entry["nearLimit"] = servo.nearLimit;
    outcome.report["servos"].append(entry);
    const std::vector<std::string> fields = {std::to_string(servo.servo), std::to_string(servo.count),
                                             Fixed(servo.mean), std::to_string(servo.min), std::to_string(servo.max),
                                             Fixed(servo.stddev), std::to_string(servo.nearLimit)};
    if (options.csv) {
      outcome.text += CsvRecord(fields);
    } else {
      outcome.Line("servo " + fields[0] + " count=" + fields[1] + " mean=" + fields[2] + " min=" + fields[3] +
                   " max=" + fields[4] + " stddev=" + fields[5] + " near-limit=" + fields[6]);
    }
  }
  return outcome;
}
