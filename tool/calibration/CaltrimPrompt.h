#pragma once

#include <QString>

class QWidget;

// Every message box of the calibration windows goes through this object, so that tests can answer
// the boxes and see which were shown.
class ICaltrimPrompt {
 public:
  virtual ~ICaltrimPrompt() = default;

  // Shows a modal message box owned by owner (may be null) with the MB_ style bits of the link
  // library's UI-host header and returns the button pressed (IDOK, IDYES, IDNO). Callable from any
  // thread: the box is shown on the user-interface thread while the caller waits.
  virtual int Show(QWidget* owner, const QString& text, const QString& caption,
                   unsigned int style) = 0;
};
