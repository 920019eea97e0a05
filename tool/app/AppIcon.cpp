#include "app/AppIcon.h"

// The resources live in a static library; naming them here makes the linker keep them.
static void InitAppResources() { Q_INIT_RESOURCE(app); }

QIcon ApplicationIcon() {
  static const bool initialised = (InitAppResources(), true);
  (void)initialised;
  return QIcon(QStringLiteral(":/app/caltrim.svg"));
}
