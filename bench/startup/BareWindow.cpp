// bench_bare_window WIDTH HEIGHT: the yardstick of the start-up bench. A bare Qt Widgets dialog
// of the given size and nothing else, so that what Caltrim costs beyond it is Caltrim's own.

#include <QApplication>
#include <QDialog>
#include <cstdlib>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int width = argc > 2 ? std::atoi(argv[1]) : 640;
  const int height = argc > 2 ? std::atoi(argv[2]) : 480;
  QDialog window;
  window.setFixedSize(width, height);
  window.setWindowTitle(QStringLiteral("bare"));
  window.show();
  return app.exec();
}
