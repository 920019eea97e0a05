#pragma once

#include "history/HistoryModule.h"

// The history window behind IHistoryModule. The module's entry hands out this one object; a test
// that links the window in hands it out the same way.
IHistoryModule* HistoryModuleInstance();
