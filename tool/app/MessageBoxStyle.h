#pragma once

#include <QString>

class QWidget;

// The one mapping from the MB_ style bits of the link library's UI-host seam to a Qt message box,
// and from the button pressed back to the answer.

// Shows a modal box owned by owner (may be null) on the calling thread, which must be the
// user-interface thread: the buttons of style's group (OK alone for an unknown group), the icon
// of its icon bits (none for an unknown value), the group's first button as default. Returns
// IDOK, IDYES or IDNO for those buttons and IDCANCEL for anything else.
int ExecMessageBox(QWidget* owner, const QString& text, const QString& caption,
                   unsigned int style);
