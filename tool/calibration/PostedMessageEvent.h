#pragma once

#include <QEvent>

#include "platform/NotifyWindow.h"

// A window message posted through IZAVNotifyWindow, carried to the window's thread as a Qt event.
// Qt delivers the posted events of one receiver in posting order.
class PostedMessageEvent : public QEvent {
 public:
  PostedMessageEvent(unsigned int msg, WPARAM wParam, LPARAM lParam)
      : QEvent(Type()), m_msg(msg), m_wParam(wParam), m_lParam(lParam) {}

  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }

  unsigned int Message() const { return m_msg; }
  WPARAM WParam() const { return m_wParam; }
  LPARAM LParam() const { return m_lParam; }

 private:
  unsigned int m_msg;
  WPARAM m_wParam;
  LPARAM m_lParam;
};
