#include "calibration/CaltrimIcons.h"

#include "app/PngIcon.h"

#include <QMutex>
#include <QMutexLocker>
#include <map>

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

}  // namespace

QIcon CaltrimIcon(int resourceId) {
  // Twenty panels ask for the same four step icons: each image is read once.
  // (Kept for the life of the process: icons must not outlive the application at exit.)
  static QMutex lock;
  static auto* made = new std::map<int, QIcon>;
  const QMutexLocker hold(&lock);
  if (const auto found = made->find(resourceId); found != made->end()) return found->second;
  const char* name = IconFile(resourceId);
  if (name == nullptr) return QIcon();
  // Drawn from the SVG files at build time, in the two sizes the buttons ask for.
  const QIcon icon =
      IconFromPngs(QStringLiteral(":/calibration/icons/%1-%2.png").arg(QLatin1String(name)), {24, 48});
  made->emplace(resourceId, icon);
  return icon;
}
