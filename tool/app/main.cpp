#include <memory>
#include <utility>

#include <QApplication>

#include "app/CCaltrimApp.h"
#include "calibration/CCaltrimDlg.h"
#include "calibration/CaltrimConfig.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  const bool provisioning =
      QCoreApplication::arguments().contains(QLatin1String(kProvisioningOption));
  CCaltrimApp app([provisioning] {
    CaltrimEnv env = DefaultCaltrimEnv();
    env.provisioning = provisioning;
    return std::make_unique<CCaltrimDlg>(std::move(env));
  });
  app.InitInstance();
  return 0;
}
