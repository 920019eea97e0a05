#pragma once

#include <functional>
#include <string>

#include "ZAVServoSocket.h"

class ICaltrimPrompt;
class IQRScanEvent;
class QDialog;
class QWidget;

// The serial-number tools as the main window sees them. The window, the equipment service client
// (curl, OpenSSL, jsoncpp) and the QR scanner (zbar) live in a module of their own,
// libcaltrim_provisioning_module.so beside the program, which the main window opens the first
// time the operator asks for the serial number window. A program that never shows that window
// never maps those libraries. Nothing but this header crosses between the program and the module.

// The module's file and its entry: extern "C" IProvisioningModule* CaltrimProvisioningModule(int)
// takes kProvisioningModuleVersion and returns the module, or null when it was built for another
// version of this interface.
inline constexpr char kProvisioningModuleFile[] = "libcaltrim_provisioning_module.so";
inline constexpr char kProvisioningModuleEntry[] = "CaltrimProvisioningModule";
inline constexpr int kProvisioningModuleVersion = 3;

// The serial number window. Modeless and hidden when made; it reads the robot's number each time
// it goes from hidden to visible. It goes with the widget that owns it.
class ISerialNumberWindow {
 public:
  // The window itself, to show, raise and hide. User-interface thread only.
  virtual QDialog* Dialog() = 0;
  // The session the window reads and writes through (not owned; may be null). The owner calls it
  // whenever it creates, replaces or releases a session. User-interface thread only.
  virtual void SetSession(CIZAVSocketSession* session) = 0;
  // Where the owner passes the session's serial-number events (OnReadSN, OnWriteSN), on the
  // session's receive thread; the other three do nothing. Valid as long as the window.
  virtual IZAVSocketSessionEvent* SessionEvents() = 0;
  // What the QR scanner takes as its sink (the address of the window's IQRScanEvent pointer);
  // cleared when the window goes.
  virtual IQRScanEvent** ScanSink() = 0;
  // Whether the view area says that no camera could be opened (the scanner did not start), and
  // how to go on without one. User-interface thread only.
  virtual void ShowCameraMissing(bool missing) = 0;
  // Called on the user-interface thread each time the robot acknowledges a write of a serial
  // number, with that number (UTF-8): the robot holds it from then on, confirmed by the equipment
  // service or not. The owner records it. User-interface thread only.
  virtual void SetSerialWritten(std::function<void(const std::string& serial)> written) = 0;

 protected:
  ~ISerialNumberWindow() = default;
};

// The module: one per process, never unloaded.
class IProvisioningModule {
 public:
  // A new hidden serial number window owned by owner (a Qt parent: the window goes with it), its
  // message boxes shown through prompt (not owned, outlives the window). The equipment service's
  // address is read from sys.ini beside the program. User-interface thread only.
  virtual ISerialNumberWindow* CreateSerialNumberWindow(QWidget* owner, ICaltrimPrompt* prompt) = 0;
  // Starts the camera scanner feeding sink (ISerialNumberWindow::ScanSink). Returns at once:
  // false without a camera or display (the reason is printed on standard error; a later call may
  // try again), or when a scanner runs already.
  virtual bool StartQRScan(IQRScanEvent** sink) = 0;

 protected:
  ~IProvisioningModule() = default;
};

// Opens the module beside the program (once; later calls return the same module at once).
// Null with *error naming the file and the reason when it is missing, cannot be loaded, or is not
// a provisioning module of this version of the program.
IProvisioningModule* LoadProvisioningModule(std::string* error);
