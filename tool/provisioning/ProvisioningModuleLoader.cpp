#include "provisioning/ProvisioningModule.h"

#include "app/ModuleLoader.h"

IProvisioningModule* LoadProvisioningModule(std::string* error) {
  using Entry = IProvisioningModule* (*)(int);
  void* address = LoadModuleEntry(kProvisioningModuleFile, kProvisioningModuleEntry, error);
  if (address == nullptr) return nullptr;
  IProvisioningModule* module = reinterpret_cast<Entry>(address)(kProvisioningModuleVersion);
  if (module == nullptr) {
    *error = std::string(kProvisioningModuleFile) + ": built for another version of the program";
  }
  return module;
}
