// The main window's side of the link library's threads: the messages they post, handled on the
// user-interface thread in posting order, and the callbacks they make, carried there.

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>

#include "app/StartupTrace.h"
#include "app/Text.h"
#include "app/UiThread.h"
#include "calibration/CCaltrimDlg.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/CalibrationCommands.h"
#include "calibration/ConnectionRules.h"
#include "calibration/MainWindowRules.h"
#include "calibration/MessageBar.h"
#include "calibration/PostedMessageEvent.h"
#include "calibration/usb/UsbLink.h"

// ---------------------------------------------------------------------------------------------
// Posted messages

void CCaltrimDlg::PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) {
  auto* posted = new PostedMessageEvent(msg, wParam, lParam);
  DeclareHandOver(posted);
  QCoreApplication::postEvent(this, posted);
}

bool CCaltrimDlg::event(QEvent* event) {
  // Taken over before its type is read: a posted message was made on the posting thread, and any
  // other event's address simply has nothing declared on it.
  DeclareTakeOver(event);
  if (event->type() == PostedMessageEvent::Type()) {
    const auto* posted = static_cast<PostedMessageEvent*>(event);
    OnMessage(posted->Message(), posted->WParam(), posted->LParam());
    return true;
  }
  if (event->type() == QEvent::Paint && !m_bPainted) {
    m_bPainted = true;
    const bool handled = QDialog::event(event);
    TraceStartup("window: first paint");
    return handled;
  }
  return QDialog::event(event);
}

void CCaltrimDlg::OnMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) {
  // Late reports of threads that shut-down is ending would enable a window on its way out.
  if (m_bShuttingDown) return;
  if (msg == WM_SESSION_STATE) OnSessionState(wParam, lParam);
  if (msg == WM_USB_ADB_STATE) OnUsbAdbState(wParam);
  if (msg == WM_CONNECT_NOTICE) OnConnectNotice(wParam);
  if (msg == WM_SERVO_CHECK_CHANGED) OnServoCheckChanged(wParam);
}

void CCaltrimDlg::OnSessionState(WPARAM state, LPARAM reason) {
  if (m_progress == nullptr) return;  // start-up has not run: no controls to show it on
  if (state == ZAV_SESSION_CONNECTED) {
    m_calibration->ReadAllCaliValues();
    if (const char* key = ConnectedMessageKey(m_nConnectType)) {
      ShowStatus(T(key), false);
      SetStatusLine(ConnectedStatusLine(m_nConnectType, m_strDevName, m_strIP, m_nPort));
    }
    StartRecording();
    UpdateConnectionUi(m_nConnectType);
    FocusFirstPanel();
  } else if (state == ZAV_SESSION_ENDED) {
    m_strDevName.clear();
    m_strIP.clear();
    m_nPort = 0;
    SetStatusLine(T("IDS_STATE_DISCONNECT"));
    if (m_pSession != nullptr) {
      StopSession();
      UpdateConnectionUi(CONNECT_NONE);
    }
    ShowSessionEnded(EndedMessageKey(reason));
  }
}

void CCaltrimDlg::OnUsbAdbState(WPARAM state) {
  if (state != USB_ADB_READY && state != USB_ADB_NOT_READY) return;
  if (m_btnConnect != nullptr) m_btnConnect->setEnabled(true);
  setEnabled(true);
  ShowStatus(T("IDS_SERVER_RUN_SUCCESS"), false);
}

void CCaltrimDlg::OnConnectNotice(WPARAM kind) {
  if (kind == CONNECT_NOTICE_USB) ShowStatus(T("IDS_USB_CONNECT_ROBOT"), true);
  if (kind == CONNECT_NOTICE_WIFI) ShowStatus(T("IDS_WIFI_CONNECT_ROBOT"), true);
}

void CCaltrimDlg::OnServoCheckChanged(WPARAM change) {
  if (m_chkAllSelect == nullptr) return;
  std::vector<bool> boxes;
  for (CServoItemDlg* panel : m_lstServoItem) boxes.push_back(panel->IsSelected());
  if (const auto all = SelectAllAfterPanelChange(change, boxes)) {
    // Following the panels is not a change of Select all's own: the panels keep their boxes.
    const QSignalBlocker quiet(m_chkAllSelect);
    m_chkAllSelect->setChecked(*all);
  }
}

// ---------------------------------------------------------------------------------------------
// USB device events, queued by the USB link

void CCaltrimDlg::HandleDeviceEvents() {
  // Their end calls HandleDeviceEventsLater.
  if (m_nOpenBoxes > 0 || m_nLibraryCalls > 0) return;
  // The handling is a library call itself: it stops and releases link objects while it serves
  // events.
  LibraryCall call(this);
  m_usbLink->HandleQueued();
}

void CCaltrimDlg::HandleDeviceEventsLater() {
  // Not at once: a box may close while a thread still waits for the call that showed it.
  if (m_usbLink->HasQueued()) {
    QMetaObject::invokeMethod(this, [this] { HandleDeviceEvents(); }, Qt::QueuedConnection);
  }
}

// ---------------------------------------------------------------------------------------------
// Library callbacks, on the library's threads

void CCaltrimDlg::OnFoundDevice(__DevInfo info) {
  // The whole look-up and append runs on the user-interface thread while this thread waits, so it
  // never interleaves with Refresh; a record that comes before the dialog exists waits for it.
  RunOnUiThreadAndWait(this, [this, &info] {
    if (m_dlgDevList) m_dlgDevList->AddDevice(info);
  });
}

void CCaltrimDlg::OnReadServoCaliAngel(bool ok, int id, int value) {
  RunOnUiThread(this, [this, ok, id, value] { m_calibration->ApplyCaliRead(ok, id, value); });
}

void CCaltrimDlg::OnReadCurrentAngel(bool ok, int id, int angle) {
  RunOnUiThread(this, [this, ok, id, angle] { m_calibration->ApplyAngleRead(ok, id, angle); });
}

void CCaltrimDlg::OnSetCaliAngel(bool ok, int id) { m_calibration->OnSetCaliAngel(ok, id); }

void CCaltrimDlg::OnReadSN(bool ok, const char* text, int len) {
  if (TakeRecordsSerialReply(ok, text, len)) return;
  if (IZAVSocketSessionEvent* sink = m_pSNEvent) sink->OnReadSN(ok, text, len);
}

void CCaltrimDlg::OnWriteSN(bool ok, const char* text, int len) {
  if (IZAVSocketSessionEvent* sink = m_pSNEvent) sink->OnWriteSN(ok, text, len);
}

void CCaltrimDlg::OnUsbAdbEvent(unsigned int) {}
