#pragma once

#include <QApplication>
#include <QByteArray>

// The one QApplication of a test program, made on first use, without a display.
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
