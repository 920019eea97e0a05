#include "records/spool/ServerModule.h"

#include "app/ModuleLoader.h"

RecordsServerEntry LoadRecordsServerModule(const std::string& module, std::string* error) {
  void* address = LoadModuleEntry(module, kRecordsServerEntry, error);
  if (address == nullptr) {
    *error = "cannot load the records server module: " + *error;
    return nullptr;
  }
  return reinterpret_cast<RecordsServerEntry>(address);
}
