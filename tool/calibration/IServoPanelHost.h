#pragma once

#include "ZAVServoSocket.h"

// What a servo panel uses of the main window: the session its moves go through, the offset the
// window holds for the servo, and the window's message queue. The main window implements it;
// every call comes from the user-interface thread.
class IServoPanelHost {
 public:
  // The session, or null: the panel then updates its boxes and sends nothing.
  virtual CIZAVSocketSession* PanelSession() = 0;
  // m_fCaliValue of servoId: the offset last read from the servo or last sent to it.
  virtual float PanelCaliValue(int servoId) = 0;
  // Posts msg to the main window, handled later on the user-interface thread in posting order.
  virtual void PostToMainWindow(unsigned int msg, WPARAM wParam, LPARAM lParam) = 0;

 protected:
  ~IServoPanelHost() = default;
};
