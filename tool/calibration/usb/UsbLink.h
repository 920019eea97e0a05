#pragma once

#include <QString>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ZAVServoSocket.h"
#include "ZAVUsbAdbDetection.h"
#include "calibration/AdbWorker.h"
#include "calibration/usb/IUsbDeviceEvents.h"

// What the USB link uses of the main window: the window's state and operations, plus everything
// the worker uses (IAdbWorkerHost: m_csLock, m_pUsbDetection, m_bUsbReady, WM_USB_ADB_STATE).
// Called on the user-interface thread, except the IAdbWorkerHost part, which the worker calls.
class IUsbLinkHost : public IAdbWorkerHost {
 public:
  // The status line (control 1020).
  virtual QString StatusLine() = 0;
  virtual void SetStatusLine(const QString& text) = 0;
  // The message display (control 1018), busy or idle.
  virtual void ShowStatus(const QString& text, bool busy) = 0;
  // The session has gone with the device: a calibration run under way ends with it and the
  // message display says so; else it shows key's text, idle (key may be null: then nothing).
  virtual void ShowSessionEnded(const char* key) = 0;
  // Enables or disables the whole window.
  virtual void EnableWindow(bool enabled) = 0;
  // Buttons and panels for connection type mode; sets m_nConnectType to mode.
  virtual void UpdateConnectionUi(int mode) = 0;

  // m_pSession, read and replaced; m_pUsbDetection is read through UsbDetection().
  virtual CIZAVSocketSession* Session() = 0;
  virtual void SetSession(CIZAVSocketSession* session) = 0;
  virtual void SetUsbDetection(IZAVUsbDetection* detection) = 0;
  // New objects from the window's factories, or null when none can be made. The detection
  // object comes back already Init-ed for the window (mode 2, its IZAVUsbAdbEvent, the window).
  virtual CIZAVSocketSession* CreateSession() = 0;
  virtual IZAVUsbDetection* CreateUsbDetection() = 0;

  // Takes WorkerLock() with the window's shut-down wait: it keeps handling posted events (a
  // worker holding the lock may wait for this thread to answer its message box).
  virtual void LockWorkerPumping() = 0;
  // Starts a thread running body, or throws std::system_error as std::thread does.
  virtual std::thread StartThread(std::function<void()> body) = 0;
};

// The USB link of the main window: the robot's arrival and every device's removal, and the
// worker runs that ask the detection object for the robot and forward its port. Device events
// come from an IUsbDeviceEvents source; worker runs report to the host (WM_USB_ADB_STATE).
class UsbLink : public IUsbDeviceSink {
 public:
  explicit UsbLink(IUsbLinkHost* host);
  // Waits for every worker run (JoinWorkers).
  ~UsbLink();
  UsbLink(const UsbLink&) = delete;
  UsbLink& operator=(const UsbLink&) = delete;

  // Only the robot's own device (ids 18D1/4E26) acts; other devices change nothing. Arrival:
  // ready set, "IDS_TESTED_USB_INSERT" on the status line, window disabled until the worker
  // reports, session and detection object replaced (the old ones released first), a worker run
  // started, not connected. Removal: "IDS_TESTED_USB_PULLED", the session (Wi-Fi too) stopped,
  // released and replaced by a new one for Wi-Fi, the detection object released, not ready,
  // "IDS_SERVER_CLOSE_SUCCESS". Objects are released and replaced, and ready cleared, only under
  // the worker lock, once no worker run uses them. An event that comes while another is handled
  // (its waits serve posted events) is handled after it, in order. Nothing happens once the
  // window has begun to shut down. Queue, then HandleQueued.
  void OnUsbDeviceChange(UsbDeviceChange change, const std::string& interfaceName) override;
  // Queues an event; HandleQueued handles it. The window queues each event at once and handles
  // them when it can (not while a message box is open, for one).
  void Queue(UsbDeviceChange change, const std::string& interfaceName);
  // Handles the queued events in order, those queued meanwhile too. Called again from within
  // (its waits serve posted events), it returns at once: the outer call handles what came.
  void HandleQueued();
  bool HasQueued() const { return !m_pending.empty(); }

  // Starts one worker run on a thread of its own (start-up and each arrival). A thread that
  // cannot be started counts as a run that found no robot: "not ready" is posted.
  void StartWorker();
  // Waits for every run started so far. Call without holding WorkerLock() and once no run can
  // wait for this thread any more (shut-down begun and RunningWorkers() 0: a run may wait for its
  // message box until it ends): a plain join serves no box.
  void JoinWorkers();
  // Runs still going (threads of finished runs are joined at the next start or by JoinWorkers).
  int RunningWorkers() const;

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  void Handle(UsbDeviceChange change, const std::string& interfaceName);
  void RobotArrived();
  void RobotRemoved();
  // Under the worker lock: releases the session and the detection object, makes a new session,
  // and a new detection object when the robot arrived, or clears ready when it left. False when
  // shut-down began during the wait: nothing was touched.
  bool ReplaceLinkObjects(bool robotArrived);
  void AppendToStatusLine(const char* key);
  void JoinFinishedWorkers();

  IUsbLinkHost* m_host;
  bool m_bHandling = false;
  std::deque<std::pair<UsbDeviceChange, std::string>> m_pending;
  std::vector<Worker> m_workers;
};
