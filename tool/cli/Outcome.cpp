#include "cli/Outcome.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>

Outcome& Outcome::Fail(int failStatus, const std::string& reason) {
  status = failStatus;
  error = reason;
  return *this;
}

Outcome OutcomeWithServos() {
  Outcome outcome;
  outcome.report["servos"] = Json::Value(Json::arrayValue);
  return outcome;
}

void AddServo(Outcome* outcome, const ServoLine& servo) {
  Json::Value entry(Json::objectValue);
  entry["id"] = servo.id;
  entry["result"] = servo.result;
  std::string line = "servo " + std::to_string(servo.id) + " " + servo.result;
  if (servo.name != nullptr && servo.value) {
    entry[servo.name] = *servo.value;
    line += std::string(" ") + servo.name + "=" + std::to_string(*servo.value);
  }
  outcome->report["servos"].append(entry);
  outcome->Line(line);
  if (servo.result != "Ok" && outcome->status == kExitOk) outcome->status = kExitRefused;
}

int PrintOutcome(const Outcome& outcome, bool json, int outputFd) {
  if (!outcome.error.empty()) std::cerr << "caltrim-cli: " << outcome.error << std::endl;
  std::string output = outcome.text;
  if (json) {
    Json::Value report = outcome.report;
    if (!outcome.error.empty()) report["error"] = outcome.error;
    report["status"] = outcome.status;
    report["version"] = kReportVersion;
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "";
    builder["emitUTF8"] = true;
    output = Json::writeString(builder, report) + "\n";
  }
  if (outcome.reportOnStderr) outputFd = STDERR_FILENO;
  for (std::size_t written = 0; written < output.size();) {
    const ssize_t n = ::write(outputFd, output.data() + written, output.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  return outcome.status;
}
