#pragma once

// The Qt side of the program's tests: one QApplication without a display, waiting on events, and
// answering real message boxes.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <functional>

// The one QApplication of a test program, made on first use, offscreen unless the caller chose a
// platform.
inline QApplication* QtTestApp() {
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "caltrim_tests";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return app;
}

// Pumps events until done() holds or timeoutMs passes; returns done().
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return done();
}

// Presses button on every message box that comes up while this lives, and notes what the last box
// was. A box without that button is rejected.
class BoxPresser {
 public:
  explicit BoxPresser(QMessageBox::StandardButton button) {
    QObject::connect(&m_poll, &QTimer::timeout, [this, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      ++shown;
      title = box->windowTitle();
      text = box->text();
      parent = box->parentWidget();
      buttons = box->standardButtons();
      QAbstractButton* press = box->button(button);
      press != nullptr ? press->click() : box->reject();
    });
    m_poll.start(10);
  }

  int shown = 0;
  QString title, text;
  QWidget* parent = nullptr;
  QMessageBox::StandardButtons buttons;

 private:
  QTimer m_poll;
};
