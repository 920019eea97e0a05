#pragma once

#include "cli/CommandLine.h"
#include "cli/Outcome.h"

// The sub-commands of caltrim-cli, each one run to its end. What each prints is documented in the
// program's --help (CommandLine.cpp) and README.

Outcome Discover(const CliOptions& options);
Outcome ReadOffsets(const CliOptions& options);
Outcome WriteOffsets(const CliOptions& options);
Outcome Move(const CliOptions& options);
Outcome Reset(const CliOptions& options);
Outcome Backup(const CliOptions& options);
Outcome Restore(const CliOptions& options);
Outcome ReadSerial(const CliOptions& options);
Outcome WriteSerial(const CliOptions& options);
