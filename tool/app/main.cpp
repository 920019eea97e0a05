#include <cstdio>
#include <memory>
#include <utility>

#include <QApplication>

#include "app/CCaltrimApp.h"
#include "app/CommandLine.h"
#include "app/ControlReport.h"
#include "app/StartupTrace.h"
#include "calibration/CCaltrimDlg.h"
#include "calibration/CaltrimConfig.h"

int main(int argc, char** argv) {
  TraceStartup("main");
  if (const std::optional<int> status = AnswerCommandLine(argc, argv, stdout)) return *status;
  QApplication qapp(argc, argv);
  TraceStartup("application object made (display opened)");
  StartControlReport();
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
