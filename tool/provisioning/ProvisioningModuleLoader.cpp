#include "provisioning/ProvisioningModule.h"

#include "app/ModuleLoader.h"

IProvisioningModule* LoadProvisioningModule(std::string* error) {
  return LoadVersionedModule<IProvisioningModule>(kProvisioningModuleFile, kProvisioningModuleEntry,
                                                  kProvisioningModuleVersion, error);
}
