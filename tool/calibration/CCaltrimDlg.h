#pragma once

#include <QDialog>

// The main calibration window. (Starting point: the full window replaces this.)
class CCaltrimDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CCaltrimDlg(QWidget* parent = nullptr);
};
