#pragma once

#include <string>

namespace zavuibase {

// The folder of the running executable with a trailing '/', or "./" when the link cannot be
// read.
std::string ExecutableFolder();

}  // namespace zavuibase
