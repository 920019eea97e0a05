#pragma once

#include <string>
#include <vector>

#include "ZAVServoSocket.h"
#include "cli/Outcome.h"

// Searches for robots by the discovery broadcast for seconds (one search request each second,
// in case one is lost), saying so on standard error. Each robot once, by its MAC, in order of
// answer. None, with the outcome failed as unreachable, when no discovery socket can be opened.
std::vector<__DevInfo> SearchRobots(int seconds, Outcome* outcome);
