#include "history/HistoryModule.h"

#include "app/ModuleLoader.h"

IHistoryModule* LoadHistoryModule(std::string* error) {
  return LoadVersionedModule<IHistoryModule>(kHistoryModuleFile, kHistoryModuleEntry, kHistoryModuleVersion, error);
}
