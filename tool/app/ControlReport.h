#pragma once

#include <QString>

// Where the program's controls are, for driving it from outside (scripts/demo clicks through the
// windows with it). With the environment variable CALTRIM_CONTROL_REPORT naming a file, the
// program rewrites that file five times a second, one line per shown control (a widget whose
// objectName is its control id) of every shown window:
//   <window> <id> <x> <y> <width> <height> enabled|disabled [<rows>]
// window is the X window id of its window (as xdotool prints it), the rectangle is in screen
// coordinates, rows the number of rows of a list. Without the variable nothing happens.
void StartControlReport();

// The report's lines as they stand now.
QString ControlReportText();
