#include "app/CaltrimStyle.h"

#include <algorithm>

#include <QGroupBox>
#include <QPainter>
#include <QPixmap>
#include <QStyleOption>
#include <qdrawutil.h>

#include "app/PngIcon.h"

namespace {

// Fusion's frame picture, its corners 6 pixels wide, and the gap Fusion leaves above the frame.
constexpr auto kFusionGroupBoxFrame =
    ":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png";
constexpr int kFrameCorner = 6;
constexpr int kFusionGroupBoxTopMargin = 3;

// Read once, on the user-interface thread (styles paint there only), and kept to the end: no
// pixmap may outlive the application, so it is never destroyed.
const QPixmap& FusionGroupBoxFrame() {
  static const QPixmap* frame =
      new QPixmap(QPixmap::fromImage(ReadPng(QLatin1String(kFusionGroupBoxFrame))));
  return *frame;
}

bool IsFusion(const QStyle* style) {
  return style->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0;
}

}  // namespace

CaltrimStyle::CaltrimStyle() = default;

CaltrimStyle::CaltrimStyle(QStyle* base) : QProxyStyle(base) {}

void CaltrimStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                 QPainter* painter, const QWidget* widget) const {
  if (element == PE_FrameGroupBox && IsFusion(baseStyle())) {
    const QPixmap& frame = FusionGroupBoxFrame();
    if (!frame.isNull()) return DrawFusionGroupBoxFrame(frame, option, painter, widget);
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

// Fusion's frame: below the title line (as high as the title's text or a check box, whichever is
// taller) when the box has a title or a check box, else just below the top margin.
void CaltrimStyle::DrawFusionGroupBoxFrame(const QPixmap& frame, const QStyleOption* option,
                                           QPainter* painter, const QWidget* widget) const {
  int top = kFusionGroupBoxTopMargin;
  const auto* box = qobject_cast<const QGroupBox*>(widget);
  if (box == nullptr || box->isCheckable() || !box->title().isEmpty()) {
    top += std::max(baseStyle()->pixelMetric(PM_ExclusiveIndicatorHeight),
                    option->fontMetrics.height());
  }
  const QMargins corners(kFrameCorner, kFrameCorner, kFrameCorner, kFrameCorner);
  qDrawBorderPixmap(painter, option->rect.adjusted(0, top, 0, 0), corners, frame);
}
