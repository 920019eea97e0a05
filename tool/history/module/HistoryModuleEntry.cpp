// The one symbol libcaltrim_history_module.so exports; everything else in it stays hidden.

#include "history/module/HistoryModuleImpl.h"

extern "C" __attribute__((visibility("default"))) IHistoryModule* CaltrimHistoryModule(int version) {
  return version == kHistoryModuleVersion ? HistoryModuleInstance() : nullptr;
}
