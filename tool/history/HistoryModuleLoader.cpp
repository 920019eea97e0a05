#include "history/HistoryModule.h"

#include "app/ModuleLoader.h"

IHistoryModule* LoadHistoryModule(std::string* error) {
  using Entry = IHistoryModule* (*)(int);
  void* address = LoadModuleEntry(kHistoryModuleFile, kHistoryModuleEntry, error);
  if (address == nullptr) return nullptr;
  IHistoryModule* module = reinterpret_cast<Entry>(address)(kHistoryModuleVersion);
  if (module == nullptr) *error = std::string(kHistoryModuleFile) + ": built for another version of the program";
  return module;
}
