// Renders an SVG icon of the project into PNG files of the given sizes, at build time, with Qt's own
// SVG renderer: the program's icon in the sizes of the hicolor icon theme, and the window's own
// icons, so that the program draws ready pixels and needs no SVG library at run time.
//   caltrim_render_icon ICON.svg OUT SIZE...   writes OUT with every "%1" in it replaced by SIZE
//                                              (for example icons/%1x%1/apps/caltrim.png)

#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

namespace {

constexpr int kLargest = 1024;

bool Render(QSvgRenderer& svg, int size, const QString& outPattern) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  svg.render(&painter);
  painter.end();
  const QString file = QString(outPattern).replace(QStringLiteral("%1"), QString::number(size));
  return QDir().mkpath(QFileInfo(file).path()) && image.save(file, "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s ICON.svg OUT SIZE...   (%%1 in OUT stands for the size)\n", argv[0]);
    return 2;
  }
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "%s: %s is not an SVG image Qt can render\n", argv[0], argv[1]);
    return 1;
  }
  const QString outPattern = QString::fromLocal8Bit(argv[2]);
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 1 || size > kLargest) {
      std::fprintf(stderr, "%s: size %s is not 1..%d\n", argv[0], argv[i], kLargest);
      return 2;
    }
    if (!Render(svg, size, outPattern)) {
      std::fprintf(stderr, "%s: could not write the %dx%d icon as %s\n", argv[0], size, size,
                   argv[2]);
      return 1;
    }
  }
  return 0;
}
