#include <memory>

#include <QApplication>

#include "app/CCaltrimApp.h"
#include "calibration/CCaltrimDlg.h"

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  CCaltrimApp app([] { return std::make_unique<CCaltrimDlg>(); });
  app.InitInstance();
  return 0;
}
