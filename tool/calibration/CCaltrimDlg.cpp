#include "calibration/CCaltrimDlg.h"

CCaltrimDlg::CCaltrimDlg(QWidget* parent) : QDialog(parent) {}
