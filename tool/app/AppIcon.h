#pragma once

#include <QIcon>

// The application icon (the program's own drawing, from the resource file app.qrc), for window
// icons and the About box.
QIcon ApplicationIcon();
