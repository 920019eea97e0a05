// Shut-down and closing of the main window: releasing the link objects, and keeping a close that
// arrives in the middle of shut-down or of a library call from running under it.

#include <QCloseEvent>
#include <chrono>
#include <thread>
#include <utility>

#include "app/Text.h"
#include "calibration/CCaltrimDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/CalibrationCommands.h"
#include "calibration/usb/UsbLink.h"

void CCaltrimDlg::WaitPumping(const std::function<bool()>& done) {
  // The thread waited for may itself wait for this one (a blocking queued call, the USB worker's
  // message box), so the wait keeps serving posted events through the UI host, as the library's
  // own waits do, instead of blocking.
  while (!done()) {
    ZAVPumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void CCaltrimDlg::LockPumping() {
  WaitPumping([this] { return m_csLock.TryLock(); });
}

void CCaltrimDlg::Shutdown() {
  if (m_bInShutdown) return;
  m_bInShutdown = true;
  m_bShuttingDown = true;
  LockPumping();
  setEnabled(false);
  ShowStatus(T("IDS_EXITING_PROGRAM"), true);
  // Each Release waits for its threads while handling events: the member is cleared first, so
  // nothing reached meanwhile finds the object.
  if (IZAVUsbDetection* usb = std::exchange(m_pUsbDetection, nullptr)) usb->Release();
  if (CIZAVBroadcastSocket* broadcast = std::exchange(m_pBroadcast, nullptr)) broadcast->Release();
  if (CIZAVSocketSession* session = std::exchange(m_pSession, nullptr)) {
    OnSessionChanged();
    session->Release();
  }
  for (CServoItemDlg* panel : std::exchange(m_lstServoItem, {})) delete panel;
  m_csLock.Unlock();
  // Every run has passed the lock by now or will find the shut-down flag; none outlives us. A
  // run may still wait for its message box, shown without the lock: it is served meanwhile.
  WaitPumping([this] { return m_usbLink->RunningWorkers() == 0; });
  m_usbLink->JoinWorkers();
  m_calibration->JoinWorker();
  // A run that the closing cut short is recorded with what it got.
  m_calibration->EndRunWithLink();
  StopRecords();
  m_bInShutdown = false;
  CloseIfRequested();
}

bool CCaltrimDlg::CloseMustWait() {
  if (!m_bInShutdown && m_nLibraryCalls == 0) return false;
  m_bCloseRequested = true;
  return true;
}

void CCaltrimDlg::CloseIfRequested() {
  if (!m_bCloseRequested || m_bInShutdown || m_nLibraryCalls > 0) return;
  m_bCloseRequested = false;
  auto close = [this] {
    if (isVisible()) reject();
  };
  QMetaObject::invokeMethod(this, close, Qt::QueuedConnection);
}

CCaltrimDlg::LibraryCall::LibraryCall(CCaltrimDlg* dlg) : m_dlg(dlg) { ++m_dlg->m_nLibraryCalls; }

CCaltrimDlg::LibraryCall::~LibraryCall() {
  --m_dlg->m_nLibraryCalls;
  m_dlg->CloseIfRequested();
  m_dlg->HandleDeviceEventsLater();
}

void CCaltrimDlg::accept() {}

void CCaltrimDlg::reject() {
  if (CloseMustWait()) return;
  Shutdown();
  QDialog::reject();
}

void CCaltrimDlg::closeEvent(QCloseEvent* event) {
  if ((!isEnabled() && !m_bShuttingDown) || CloseMustWait()) {
    event->ignore();
    return;
  }
  Shutdown();
  QDialog::closeEvent(event);
}

