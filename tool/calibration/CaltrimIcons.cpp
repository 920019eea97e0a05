#include "calibration/CaltrimIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

const char* IconFile(int resourceId) {
  switch (resourceId) {
    case IDI_PLUG: return "plug";
    case IDI_UNPLUGGED: return "unplugged";
    case IDI_TICK: return "tick";
    case IDI_STOP: return "stop";
    case IDI_CROSS: return "cross";
    case IDI_REFRESH: return "refresh";
    case IDI_TURN: return "turn";
    case IDI_STEP_UP_GREEN: return "step_up_green";
    case IDI_STEP_DOWN_GREEN: return "step_down_green";
    case IDI_STEP_DOWN_RED: return "step_down_red";
    case IDI_STEP_UP_RED: return "step_up_red";
    case IDI_ANGLE: return "angle";
    case IDI_INFORMATION: return "information";
    case IDI_SERIAL: return "serial";
    default: return nullptr;
  }
}

QPixmap Render(QSvgRenderer& renderer, int side) {
  QPixmap pixmap(side, side);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  renderer.render(&painter);
  return pixmap;
}

}  // namespace

static void EnsureResources() {
  // The resource file lives in a static library, whose automatic registration a linker may drop.
  static const bool registered = [] {
    Q_INIT_RESOURCE(calibration);
    return true;
  }();
  (void)registered;
}

QIcon CaltrimIcon(int resourceId) {
  EnsureResources();
  const char* name = IconFile(resourceId);
  if (name == nullptr) return QIcon();
  QSvgRenderer renderer(QStringLiteral(":/calibration/icons/%1.svg").arg(QLatin1String(name)));
  if (!renderer.isValid()) return QIcon();
  QIcon icon;
  icon.addPixmap(Render(renderer, 24));
  icon.addPixmap(Render(renderer, 48));
  return icon;
}
