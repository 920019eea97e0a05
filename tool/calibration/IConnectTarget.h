#pragma once

#include <QString>

class QWidget;

// What the robot selection dialog uses of the main window: the connection target, the session
// it starts, the USB state it offers, and the window's display. Every call is made on the
// user-interface thread.
class IConnectTarget {
 public:
  enum class SessionStart {
    kStarted,    // the session's messages tell the rest
    kNoSession,  // the window has no session object
    kRefused,    // StartConnect started no run
  };

  // The main window: the dialog stands above it and enables it again when it closes.
  virtual QWidget* Window() = 0;
  // Records the robot the next session goes to (m_strDevName, m_strIP, m_nPort) and its MAC as
  // discovery gave it (empty over USB), which the calibration records keep.
  virtual void SetConnectionTarget(const QString& devName, const QString& ip, int port, const QString& mac) = 0;
  // Records the connection type (m_nConnectType).
  virtual void SetConnectType(int connectType) = 0;
  // Starts the window's session towards ip, with the window as notify window and event sink. May
  // wait, handling events, for the end of an earlier run.
  virtual SessionStart StartSession(const QString& ip) = 0;
  // Whether the window has a USB detection object, and whether a robot on USB is ready.
  virtual bool HasUsbDetection() = 0;
  virtual bool IsUsbReady() = 0;
  // Broadcasts a new search for robots, when discovery runs.
  virtual void SearchDevices() = 0;
  // The window's ShowStatus and UpdateConnectionUi.
  virtual void ShowStatus(const QString& text, bool busy) = 0;
  virtual void UpdateConnectionUi(int mode) = 0;

 protected:
  ~IConnectTarget() = default;
};
