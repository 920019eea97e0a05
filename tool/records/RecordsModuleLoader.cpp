#include "records/RecordsModule.h"

#include "app/ModuleLoader.h"

IRecordsModule* LoadRecordsModule(std::string* error) {
  return LoadVersionedModule<IRecordsModule>(kRecordsModuleFile, kRecordsModuleEntry, kRecordsModuleVersion, error);
}
