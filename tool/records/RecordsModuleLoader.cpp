#include "records/RecordsModule.h"

#include "app/ModuleLoader.h"

IRecordsModule* LoadRecordsModule(std::string* error) {
  using Entry = IRecordsModule* (*)(int);
  void* address = LoadModuleEntry(kRecordsModuleFile, kRecordsModuleEntry, error);
  if (address == nullptr) return nullptr;
  IRecordsModule* module = reinterpret_cast<Entry>(address)(kRecordsModuleVersion);
  if (module == nullptr) *error = std::string(kRecordsModuleFile) + ": built for another version of the program";
  return module;
}
