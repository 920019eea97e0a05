#pragma once

#include "cli/CommandLine.h"
#include "cli/Outcome.h"

class RobotTarget;

// The sub-commands of caltrim-cli, each one run to its end (CommandTable.cpp names them). What
// each prints is documented in README.

Outcome Discover(const CliOptions& options);
Outcome WriteCompletion(const CliOptions& options);
Outcome History(const CliOptions& options);
Outcome HistoryStats(const CliOptions& options);

Outcome ReadOffsets(const CliOptions& options, RobotTarget& robot);
Outcome WriteOffsets(const CliOptions& options, RobotTarget& robot);
Outcome ReadAngles(const CliOptions& options, RobotTarget& robot);
Outcome ScanServos(const CliOptions& options, RobotTarget& robot);
Outcome Move(const CliOptions& options, RobotTarget& robot);
Outcome Reset(const CliOptions& options, RobotTarget& robot);
Outcome Backup(const CliOptions& options, RobotTarget& robot);
Outcome Restore(const CliOptions& options, RobotTarget& robot);
Outcome ReadSerial(const CliOptions& options, RobotTarget& robot);
Outcome WriteSerial(const CliOptions& options, RobotTarget& robot);
