#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <functional>
#include <ostream>

// Failure messages show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

// The one QApplication of a test program, offscreen unless the caller chose a platform.
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

// Handles every event posted to target before this call, in posting order: once it returns, a
// message posted earlier from any thread has been handled or will never be.
inline bool DrainPosted(QObject* target) {
  bool reached = false;
  QMetaObject::invokeMethod(target, [&reached] { reached = true; }, Qt::QueuedConnection);
  return PumpUntil([&reached] { return reached; });
}

// Sees every event the application delivers while it lives.
class EventSpy : public QObject {
 public:
  explicit EventSpy(std::function<void(QObject*, QEvent*)> see) : m_see(std::move(see)) {
    QCoreApplication::instance()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    m_see(receiver, event);
    return false;
  }

 private:
  std::function<void(QObject*, QEvent*)> m_see;
};

// Presses button on every message box shown while this lives (rejects a box without it).
class BoxPresser {
 public:
  explicit BoxPresser(QMessageBox::StandardButton button) {
    QObject::connect(&m_poll, &QTimer::timeout, [this, button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      ++shown;
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = box->standardButtons();
      defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton())
                                           : QMessageBox::NoButton;
      QAbstractButton* press = box->button(button);
      press != nullptr ? press->click() : box->reject();
    });
    m_poll.start(10);
  }

  int shown = 0;
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;

 private:
  QTimer m_poll;
};
