#pragma once

#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Outcome.h"
#include "cli/RobotLink.h"

// What every command starts from: the Config.ini it reads, the servos it covers, and where its
// progress goes.

// options.configPath, or the program's Config.ini where the window finds it (beside the program,
// or the operator's own copy of an installed program).
std::wstring ConfigPath(const CliOptions& options);

// The servos a command covers: --ids, or 1..N with N from --servos or else "ServoNum" of
// Config.ini. None, with the outcome failed as bad input, when that leaves no servo.
std::vector<int> CoveredServos(const CliOptions& options, Outcome* outcome);

// Fails the outcome as unreachable when the link was lost meanwhile; true when it still stands.
bool LinkStands(RobotLink* link, Outcome* outcome);

// Progress and diagnostics for people, on standard error, unless quiet.
void Progress(const std::string& text);
void SetQuiet(bool quiet);
