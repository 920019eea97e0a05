#include "app/AppIcon.h"

#include "app/PngIcon.h"

QIcon ApplicationIcon() {
  // Drawn from tool/resources/caltrim.svg at build time, in the sizes window frames and the
  // About box ask for; read once, and kept to the end (no icon may outlive the application).
  static const QIcon* icon =
      new QIcon(IconFromPngs(QStringLiteral(":/app/caltrim-%1.png"), {16, 32, 48, 64}));
  return *icon;
}
