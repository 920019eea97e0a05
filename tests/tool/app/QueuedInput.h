#pragma once

#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

// Input as the window system hands it over: queued, and delivered only when an event loop takes
// up window-system events. (Test tools that send input call the widgets at once.)
inline void QueueKeyPress(QWindow* window) {
  QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
      window, QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
}

// The frame's close box, pressed.
inline void QueueCloseBox(QWindow* window) {
  QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(window);
}
