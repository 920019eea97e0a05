#pragma once

#include <json/json.h>

#include <optional>
#include <string>

#include "cli/ExitStatus.h"

// What one command did: its exit status, its report (the --json document) and the same for
// people (lines of text). Failures that stop a command carry a reason, written to standard error
// and, with --json, as the report's "error" member.
struct Outcome {
  int status = kExitOk;
  Json::Value report{Json::objectValue};
  std::string text;
  std::string error;
  // Standard output carries something else (backup -): the report goes to standard error.
  bool reportOnStderr = false;

  // Stops with status and reason (the report keeps what it holds so far).
  Outcome& Fail(int failStatus, const std::string& reason);
  // One line of human text.
  void Line(const std::string& line) { text += line + "\n"; }
};

// The answer of one servo: result is "Ok", "Failed" or "no reply" (kNoReply); name/value the
// quantity it concerns ("offset", "angle"), when there is one.
inline constexpr char kNoReply[] = "no reply";

struct ServoLine {
  int id = 0;
  std::string result;
  const char* name = nullptr;
  std::optional<int> value;
};

// An outcome of a servo command: its report holds "servos", empty so far, so that the member is
// there even when the command stops before the first servo.
Outcome OutcomeWithServos();

// Adds a servo to the report's "servos" array ({"id":1,"result":"Ok","offset":-5}) and the line
// "servo 1 Ok offset=-5" to the text. A result other than "Ok" makes an ok status refused.
void AddServo(Outcome* outcome, const ServoLine& servo);

// The version of the shape of the JSON reports, their "version" member: scripts may rely on the
// members of a version; one that drops or changes a member gets a new number.
inline constexpr int kReportVersion = 1;

// Writes the outcome: the report as JSON (json, with "status" and "version") or the text on
// outputFd (the process's standard output, or standard error for reportOnStderr), the error on
// standard error. Returns the exit status.
int PrintOutcome(const Outcome& outcome, bool json, int outputFd);
