// Renders the program's SVG icon into the PNG sizes of the hicolor icon theme, at build time, with
// Qt's own SVG renderer.
//   caltrim_render_icon ICON.svg OUTDIR SIZE...   writes OUTDIR/<SIZE>x<SIZE>/apps/caltrim.png

#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

namespace {

constexpr int kLargest = 1024;

bool Render(QSvgRenderer& svg, int size, const QString& outDir) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  svg.render(&painter);
  painter.end();
  const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
  return QDir().mkpath(folder) && image.save(folder + QStringLiteral("/caltrim.png"), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s ICON.svg OUTDIR SIZE...\n", argv[0]);
    return 2;
  }
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "%s: %s is not an SVG image Qt can render\n", argv[0], argv[1]);
    return 1;
  }
  const QString outDir = QString::fromLocal8Bit(argv[2]);
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size < 1 || size > kLargest) {
      std::fprintf(stderr, "%s: size %s is not 1..%d\n", argv[0], argv[i], kLargest);
      return 2;
    }
    if (!Render(svg, size, outDir)) {
      std::fprintf(stderr, "%s: could not write the %dx%d icon under %s\n", argv[0], size, size,
                   argv[2]);
      return 1;
    }
  }
  return 0;
}
