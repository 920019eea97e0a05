#include "calibration/QtPrompt.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include "app/MessageBoxStyle.h"
#include "app/UiThread.h"

int QtPrompt::Show(QWidget* owner, const QString& text, const QString& caption,
                   unsigned int style) {
  // A worker thread waits here while the user-interface thread shows the box; the UI host's pump
  // keeps this from dead-locking when the UI thread itself waits for that worker. The owner may
  // be gone by the time the box is shown.
  QPointer<QWidget> guardedOwner(owner);
  return RunOnUiThreadAndWait(QCoreApplication::instance(), [&] {
    return ExecMessageBox(guardedOwner.data(), text, caption, style);
  });
}
