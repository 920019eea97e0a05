#pragma once

#include <QProxyStyle>

// The desktop's style with one picture read differently. Fusion draws a group box's frame from a
// PNG in Qt's resources that it loads by file name, and Qt then loads every image format plugin
// (GIF, ICO, JPEG, SVG and their libraries, about 0.5 MB) to ask each whether it reads PNG, the
// first time a group box is painted. Over Fusion this style reads that PNG with Qt's own reader and
// draws the same pixels; over any other style, and should the picture ever be missing, it draws
// exactly what the style does.
class CaltrimStyle final : public QProxyStyle {
 public:
  // Over the desktop's style (the one QApplication would choose), or over base, which it owns.
  CaltrimStyle();
  explicit CaltrimStyle(QStyle* base);

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

 private:
  void DrawFusionGroupBoxFrame(const QPixmap& frame, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const;
};
