#include "app/PngIcon.h"

#include <QImageReader>
#include <QPixmap>

QIcon IconFromPngs(const QString& pattern, std::initializer_list<int> sides) {
  QIcon icon;
  for (int side : sides) {
    QImageReader reader(pattern.arg(side), "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}
