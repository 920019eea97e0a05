#pragma once

#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Outcome.h"
#include "cli/RobotLink.h"

// What every robot command starts from: the Config.ini it reads, the servos it covers and the
// link to the robot.

// options.configPath, or the program's Config.ini where the window finds it (beside the program,
// or the operator's own copy of an installed program).
std::wstring ConfigPath(const CliOptions& options);

// Servos 1..N, N from --servos or else "ServoNum" of Config.ini. None, with the outcome failed
// as bad input, when that leaves no servo.
std::vector<int> CoveredServos(const CliOptions& options, Outcome* outcome);

// Connects link to options.robot within options.timeoutSeconds, saying so on standard error.
// False, with the outcome failed as unreachable, when the robot cannot be reached.
bool ConnectRobot(const CliOptions& options, RobotLink* link, Outcome* outcome);

// Fails the outcome as unreachable when the link was lost meanwhile; true when it still stands.
bool LinkStands(RobotLink* link, Outcome* outcome);

// Progress and diagnostics for people, on standard error.
void Progress(const std::string& text);
