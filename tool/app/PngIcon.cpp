#include "app/PngIcon.h"

#include <QImageReader>
#include <QPixmap>

QImage ReadPng(const QString& file) {
  QImageReader reader(file, "png");
  reader.setAutoDetectImageFormat(false);
  return reader.read();
}

QIcon IconFromPngs(const QString& pattern, std::initializer_list<int> sides) {
  QIcon icon;
  for (int side : sides) {
    const QImage image = ReadPng(pattern.arg(side));
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}
