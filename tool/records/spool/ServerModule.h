#pragma once

#include <string>

#include "records/spool/RecordsServer.h"

// The entry of the records server module: loaded the first time it is asked for and kept for the
// life of the process (server objects and their threads may outlive any one store). A bare name
// is the file of that name in the program's folder, or else what the dynamic linker finds.
// Null with *error naming the module and the reason when it cannot be loaded.
RecordsServerEntry LoadRecordsServerModule(const std::string& module, std::string* error);
