#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "platform/NotifyWindow.h"

// The decisions of the main window that need no widgets: which text goes where after a session
// message, and how Select all follows the panels' boxes.

// Status line once a session is connected: the connection type's tip, the robot's name, two
// spaces, the IP label, the IP, the port label and the port in decimal. Empty for a type that is
// neither Wi-Fi nor USB.
QString ConnectedStatusLine(int connectType, const QString& devName, const QString& ip,
                            int port);

// String-ID key of the idle message once connected, or null for a type that is neither.
const char* ConnectedMessageKey(int connectType);

// String-ID key of the idle message when a run ended with reason (lParam of ZAV_SESSION_ENDED).
const char* EndedMessageKey(LPARAM reason);

// The text an idle message display carries: 39 spaces before the text.
QString IdleBarText(const QString& text);

// Select all after a panel's box changed (SERVO_CHECK_CHECKED or SERVO_CHECK_CLEARED), given
// every panel's box: the new state of Select all, or nothing for an unknown wParam.
std::optional<bool> SelectAllAfterPanelChange(WPARAM change, const std::vector<bool>& boxes);

// The status line after a USB plug event: the present line cut before its first "(" (the whole
// line when it has none), then the event's text, which itself begins with "(". A second event
// thus replaces the first instead of piling up.
QString StatusLineAfterUsbEvent(const QString& line, const QString& eventText);
