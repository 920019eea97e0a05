#pragma once

// The views the main window's helpers get of it: the USB link worker, the calibration commands
// and the robot selection dialog each see only what their interface offers. Private to the
// window's own files.

#include "calibration/AdbWorker.h"
#include "calibration/CCaltrimDlg.h"
#include "calibration/CalibrationCommands.h"
#include "calibration/CaltrimPrompt.h"
#include "calibration/IConnectTarget.h"
#include "calibration/IServoPanelHost.h"
#include "calibration/usb/IUsbDeviceEvents.h"
#include "calibration/usb/UsbLink.h"

class CCaltrimDlg::WorkerHost : public IUsbLinkHost, public IUsbDeviceSink {
 public:
  explicit WorkerHost(CCaltrimDlg* dlg) : m_dlg(dlg) {}

  // IAdbWorkerHost
  ZAVCritSec& WorkerLock() override;
  bool IsShuttingDown() override;
  IZAVUsbDetection* UsbDetection() override;
  void SetUsbReady(bool ready) override;
  void PostUsbState(WPARAM state) override;
  void ShowModuleError() override;
  // IUsbLinkHost
  QString StatusLine() override;
  void SetStatusLine(const QString& text) override;
  void ShowStatus(const QString& text, bool busy) override;
  void ShowSessionEnded(const char* key) override;
  void EnableWindow(bool enabled) override;
  void UpdateConnectionUi(int mode) override;
  CIZAVSocketSession* Session() override;
  void SetSession(CIZAVSocketSession* session) override;
  void SetUsbDetection(IZAVUsbDetection* detection) override;
  CIZAVSocketSession* CreateSession() override;
  IZAVUsbDetection* CreateUsbDetection() override;
  void LockWorkerPumping() override;
  std::thread StartThread(std::function<void()> body) override;
  // IUsbDeviceSink: the USB link's handling, as a library call (it stops and releases objects
  // while handling events).
  void OnUsbDeviceChange(UsbDeviceChange change, const std::string& interfaceName) override;

 private:
  CCaltrimDlg* m_dlg;
};

class CCaltrimDlg::CalibrationHost : public ICalibrationHost {
 public:
  explicit CalibrationHost(CCaltrimDlg* dlg) : m_dlg(dlg) {}

  CIZAVSocketSession* Session() override;
  int ConnectType() override;
  const std::vector<CServoItemDlg*>& ServoItems() const override;
  float& CaliValue(int id) override;
  void EnableReadCheck(bool enable) override;
  void SetCalibrateIdle(bool idle) override;
  void ShowStatus(const QString& text, bool busy) override;
  void SetStatusLine(const QString& text) override;
  void ShowMessage(const QString& text) override;
  void RunOnUiThread(std::function<void()> fn) override;
  std::thread StartThread(std::function<void()> body) override;
  ZAVCritSec& CommandLock() override;
  bool ShuttingDown() override;
  int CaliTimeoutMs() override;
  RunRecorder& Recorder() override;

 private:
  CCaltrimDlg* m_dlg;
};

class CCaltrimDlg::PanelHost : public IServoPanelHost {
 public:
  explicit PanelHost(CCaltrimDlg* dlg) : m_dlg(dlg) {}

  CIZAVSocketSession* PanelSession() override;
  float PanelCaliValue(int servoId) override;
  void PostToMainWindow(unsigned int msg, WPARAM wParam, LPARAM lParam) override;

 private:
  CCaltrimDlg* m_dlg;
};

// The window's prompt as the window and the windows it owns use it: each box is shown by the
// program's prompt on the user-interface thread, and device events wait while one is open.
class CCaltrimDlg::BoxPrompt : public ICaltrimPrompt {
 public:
  explicit BoxPrompt(CCaltrimDlg* dlg) : m_dlg(dlg) {}

  int Show(QWidget* owner, const QString& text, const QString& caption,
           unsigned int style) override;

 private:
  CCaltrimDlg* m_dlg;
};

class CCaltrimDlg::ConnectTarget : public IConnectTarget {
 public:
  explicit ConnectTarget(CCaltrimDlg* dlg) : m_dlg(dlg) {}

  QWidget* Window() override;
  void SetConnectionTarget(const QString& devName, const QString& ip, int port, const QString& mac) override;
  void SetConnectType(int connectType) override;
  SessionStart StartSession(const QString& ip) override;
  bool HasUsbDetection() override;
  bool IsUsbReady() override;
  void SearchDevices() override;
  void ShowStatus(const QString& text, bool busy) override;
  void UpdateConnectionUi(int mode) override;

 private:
  CCaltrimDlg* m_dlg;
};
