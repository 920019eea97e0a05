#include <cstdio>
#include <memory>

#include <QApplication>

#include "app/CCaltrimApp.h"
#include "app/CommandLine.h"
#include "app/ControlReport.h"
#include "calibration/CCaltrimDlg.h"

int main(int argc, char** argv) {
  if (const std::optional<int> status = AnswerCommandLine(argc, argv, stdout)) return *status;
  QApplication qapp(argc, argv);
  StartControlReport();
  CCaltrimApp app([] { return std::make_unique<CCaltrimDlg>(); });
  app.InitInstance();
  return 0;
}
