#include <QApplication>

#include "calibration/CCaltrimDlg.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  CCaltrimDlg dlg;
  dlg.exec();
  return 0;
}
