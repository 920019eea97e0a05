#pragma once

#include <QIcon>

// The application icon (the program's own drawing, tool/resources/caltrim.svg), for window
// icons and the About box.
QIcon ApplicationIcon();
