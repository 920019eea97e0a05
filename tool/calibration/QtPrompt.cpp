#include "calibration/QtPrompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

#include "ZAVServoSocket.h"

namespace {

int ShowOnUiThread(QWidget* owner, const QString& text, const QString& caption,
                   unsigned int style) {
  QMessageBox box(owner);
  box.setWindowTitle(caption);
  box.setText(text);
  if ((style & 0xF0) == MB_ICONWARNING) {
    box.setIcon(QMessageBox::Warning);
  } else if ((style & 0xF0) == MB_ICONINFORMATION) {
    box.setIcon(QMessageBox::Information);
  }
  if ((style & 0x0F) == MB_YESNO) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  const int pressed = box.exec();
  if (pressed == QMessageBox::Yes) return IDYES;
  if (pressed == QMessageBox::No) return IDNO;
  return IDOK;
}

}  // namespace

int QtPrompt::Show(QWidget* owner, const QString& text, const QString& caption,
                   unsigned int style) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || QThread::currentThread() == app->thread()) {
    return ShowOnUiThread(owner, text, caption, style);
  }
  // A worker thread waits here while the user-interface thread shows the box; the UI host's pump
  // keeps this from dead-locking when the UI thread itself waits for that worker.
  int answer = IDOK;
  QPointer<QWidget> guardedOwner(owner);
  QMetaObject::invokeMethod(
      app,
      [&] { answer = ShowOnUiThread(guardedOwner.data(), text, caption, style); },
      Qt::BlockingQueuedConnection);
  return answer;
}
