// The one symbol libcaltrim_provisioning_module.so exports; everything else in it stays hidden.

#include "provisioning/module/ProvisioningModuleImpl.h"

extern "C" __attribute__((visibility("default"))) IProvisioningModule* CaltrimProvisioningModule(
    int version) {
  return version == kProvisioningModuleVersion ? ProvisioningModuleInstance() : nullptr;
}
