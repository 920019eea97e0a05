#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Geometry written in dialog units turns into pixels through the dialog font's base units:
// x = dlu * average character width / 4, y = dlu * character height / 8.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int dlu) const { return dlu * m_baseX / 4; }
  int Y(int dlu) const { return dlu * m_baseY / 8; }
  QRect Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
  }
  QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }

 private:
  int m_baseX;  // average character width in pixels
  int m_baseY;  // character height in pixels
};
