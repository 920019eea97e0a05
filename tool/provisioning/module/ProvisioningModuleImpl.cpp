#include "provisioning/module/ProvisioningModuleImpl.h"

#include "provisioning/QRScan.h"
#include "provisioning/SNSettingDlg.h"

namespace {

class ProvisioningModuleImpl : public IProvisioningModule {
 public:
  ISerialNumberWindow* CreateSerialNumberWindow(QWidget* owner, ICaltrimPrompt* prompt) override {
    return new SNSettingDlg(owner, prompt);
  }
  bool StartQRScan(IQRScanEvent** sink) override { return ::StartQRScan(sink); }
};

}  // namespace

IProvisioningModule* ProvisioningModuleInstance() {
  static ProvisioningModuleImpl module;
  return &module;
}
