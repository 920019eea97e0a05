#pragma once

#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

// The frame's close box pressed, as the window system hands it over: queued, and delivered only
// when an event loop takes up user input. (Test tools that send input call the widgets at once.)
inline void QueueCloseBox(QWindow* window) {
  QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(window);
}
