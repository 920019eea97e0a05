#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "platform/NotifyWindow.h"

// The main window's decisions about its message display, Select all and the status line that
// need no widgets. The connection cycle's own rules are in ConnectionRules.h.

// The text an idle message display carries: 39 spaces before the text.
QString IdleBarText(const QString& text);

// Select all after a panel's box changed (SERVO_CHECK_CHECKED or SERVO_CHECK_CLEARED), given
// every panel's box: the new state of Select all, or nothing for an unknown wParam.
std::optional<bool> SelectAllAfterPanelChange(WPARAM change, const std::vector<bool>& boxes);

// The status line after a USB plug event: the present line cut before its first "(" (the whole
// line when it has none), then the event's text, which itself begins with "(". A second event
// thus replaces the first instead of piling up.
QString StatusLineAfterUsbEvent(const QString& line, const QString& eventText);
