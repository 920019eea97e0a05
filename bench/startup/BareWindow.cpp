// bench_bare_window WIDTH HEIGHT [--text]: the yardsticks of the start-up bench. A bare Qt Widgets
// dialog of the given size and nothing else, so that what Caltrim costs beyond it is Caltrim's
// own. With --text the dialog also shows one line of text: the fonts, the font files and the
// text shaping that any window with a caption or a label needs, and a bare window never loads.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int width = argc > 2 ? std::atoi(argv[1]) : 640;
  const int height = argc > 2 ? std::atoi(argv[2]) : 480;
  QDialog window;
  window.setFixedSize(width, height);
  window.setWindowTitle(QStringLiteral("bare"));
  if (argc > 3 && std::strcmp(argv[3], "--text") == 0) {
    auto* line = new QLabel(QStringLiteral("Ready to connect a robot"), &window);
    line->move(8, 8);
  }
  window.show();
  return app.exec();
}
