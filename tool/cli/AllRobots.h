#pragma once

#include "cli/CommandTable.h"

// --robot all: runs command on each robot that discovery finds within options.seconds, one after
// the other in order of address, each with a RobotTarget of its own (its own link, its own
// budget of silence) and with the files of the run claimed in common. The outcome holds, for each
// robot, the text line "robot ip=IP mac=MAC serial=S status=N" followed by the robot's own lines
// indented by two spaces, and in "robots" the robot's own report with "robot" (name, version, ip,
// mac, serial: null when unknown), "status" and "error". The serial number is the robot's as the
// command read it, or read after the command when it read none. The status is the worst of the
// robots' (WorseStatus); none found is kExitRefused.
Outcome RunOnEveryRobot(const CliOptions& options, RobotCommand command);
