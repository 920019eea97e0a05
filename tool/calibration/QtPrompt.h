#pragma once

#include "calibration/CaltrimPrompt.h"

// The prompt of the running program: a QMessageBox on the user-interface thread.
class QtPrompt : public ICaltrimPrompt {
 public:
  int Show(QWidget* owner, const QString& text, const QString& caption,
           unsigned int style) override;
};
