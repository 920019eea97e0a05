#pragma once

#include "provisioning/ProvisioningModule.h"

// The serial-number tools behind IProvisioningModule: the serial number window on the real
// equipment service client and zbar's scanner. The module's entry hands out this one object; a
// test that links the tools in hands it out the same way.
IProvisioningModule* ProvisioningModuleInstance();
