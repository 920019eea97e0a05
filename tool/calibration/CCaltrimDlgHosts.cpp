#include "calibration/CCaltrimDlgHosts.h"

#include <QByteArray>
#include <QLabel>
#include <QToolButton>
#include <utility>

#include "app/Text.h"
#include "app/UiThread.h"
#include "calibration/CaltrimIcons.h"
#include "calibration/CaltrimPrompt.h"
#include "calibration/ConnectionRules.h"

// ---------------------------------------------------------------------------------------------
// The USB link worker's view

ZAVCritSec& CCaltrimDlg::WorkerHost::WorkerLock() { return m_dlg->m_csLock; }

bool CCaltrimDlg::WorkerHost::IsShuttingDown() { return m_dlg->m_bShuttingDown; }

IZAVUsbDetection* CCaltrimDlg::WorkerHost::UsbDetection() { return m_dlg->m_pUsbDetection; }

void CCaltrimDlg::WorkerHost::SetUsbReady(bool ready) { m_dlg->m_bUsbReady = ready; }

void CCaltrimDlg::WorkerHost::PostUsbState(WPARAM state) {
  m_dlg->PostMessage(WM_USB_ADB_STATE, state, 0);
}

void CCaltrimDlg::WorkerHost::ShowModuleError() {
  m_dlg->m_boxPrompt->Show(m_dlg, QStringLiteral("ADB Module Error!"), T("AFX_IDS_APP_TITLE"),
                            MB_OK);
}

QString CCaltrimDlg::WorkerHost::StatusLine() { return m_dlg->StatusLine(); }

void CCaltrimDlg::WorkerHost::SetStatusLine(const QString& text) { m_dlg->SetStatusLine(text); }

void CCaltrimDlg::WorkerHost::ShowStatus(const QString& text, bool busy) {
  m_dlg->ShowStatus(text, busy);
}

void CCaltrimDlg::WorkerHost::ShowSessionEnded(const char* key) { m_dlg->ShowSessionEnded(key); }

void CCaltrimDlg::WorkerHost::EnableWindow(bool enabled) { m_dlg->setEnabled(enabled); }

void CCaltrimDlg::WorkerHost::UpdateConnectionUi(int mode) { m_dlg->UpdateConnectionUi(mode); }

CIZAVSocketSession* CCaltrimDlg::WorkerHost::Session() { return m_dlg->m_pSession; }

void CCaltrimDlg::WorkerHost::SetSession(CIZAVSocketSession* session) {
  m_dlg->m_pSession = session;
  m_dlg->OnSessionChanged();  // before the old session's Release, which the caller does next
}

void CCaltrimDlg::WorkerHost::SetUsbDetection(IZAVUsbDetection* detection) {
  m_dlg->m_pUsbDetection = detection;
}

CIZAVSocketSession* CCaltrimDlg::WorkerHost::CreateSession() {
  CIZAVSocketSession* session = nullptr;
  return m_dlg->m_env.createSession(&session) ? session : nullptr;
}

IZAVUsbDetection* CCaltrimDlg::WorkerHost::CreateUsbDetection() {
  return m_dlg->CreateUsbDetection();
}

void CCaltrimDlg::WorkerHost::LockWorkerPumping() { m_dlg->LockPumping(); }

std::thread CCaltrimDlg::WorkerHost::StartThread(std::function<void()> body) {
  return m_dlg->StartThread(std::move(body));
}

void CCaltrimDlg::WorkerHost::OnUsbDeviceChange(UsbDeviceChange change,
                                                const std::string& interfaceName) {
  m_dlg->m_usbLink->Queue(change, interfaceName);
  m_dlg->HandleDeviceEvents();
}

// ---------------------------------------------------------------------------------------------
// The prompt of the window and the windows it owns

int CCaltrimDlg::BoxPrompt::Show(QWidget* owner, const QString& text, const QString& caption,
                                 unsigned int style) {
  // The caller, on any thread, waits for the answer; the user-interface thread serves such
  // calls while it waits in the library's pump.
  return RunOnUiThreadAndWait(m_dlg, [&] {
    ++m_dlg->m_nOpenBoxes;
    const int answer = m_dlg->m_env.prompt->Show(owner, text, caption, style);
    --m_dlg->m_nOpenBoxes;
    m_dlg->HandleDeviceEventsLater();
    return answer;
  });
}

// ---------------------------------------------------------------------------------------------
// The calibration commands' view

CIZAVSocketSession* CCaltrimDlg::CalibrationHost::Session() { return m_dlg->m_pSession; }

int CCaltrimDlg::CalibrationHost::ConnectType() { return m_dlg->m_nConnectType; }

const std::vector<CServoItemDlg*>& CCaltrimDlg::CalibrationHost::ServoItems() const {
  return m_dlg->m_lstServoItem;
}

float& CCaltrimDlg::CalibrationHost::CaliValue(int id) { return m_dlg->m_fCaliValue[id - 1]; }

void CCaltrimDlg::CalibrationHost::EnableReadCheck(bool enable) {
  if (QToolButton* button = m_dlg->Button(IDC_MAIN_READ_CHECK)) button->setEnabled(enable);
}

void CCaltrimDlg::CalibrationHost::SetCalibrateIdle(bool idle) {
  QToolButton* button = m_dlg->Button(IDC_MAIN_CALIBRATE);
  if (button == nullptr) return;
  // A run that ends after the link went down leaves Calibrate to the connection.
  button->setEnabled(idle && ConnectionUiFor(m_dlg->m_nConnectType).commandsEnabled);
  button->setIcon(CaltrimIcon(idle ? IDI_TICK : IDI_STOP));
}

void CCaltrimDlg::CalibrationHost::ShowStatus(const QString& text, bool busy) {
  m_dlg->ShowStatus(text, busy);
}

void CCaltrimDlg::CalibrationHost::SetStatusLine(const QString& text) { m_dlg->SetStatusLine(text); }

RunRecorder& CCaltrimDlg::CalibrationHost::Recorder() { return m_dlg->Recorder(); }

void CCaltrimDlg::CalibrationHost::ShowMessage(const QString& text) {
  m_dlg->m_boxPrompt->Show(m_dlg, text, T("AFX_IDS_APP_TITLE"), MB_OK);
}

void CCaltrimDlg::CalibrationHost::RunOnUiThread(std::function<void()> fn) {
  ::RunOnUiThread(m_dlg, std::move(fn));
}

std::thread CCaltrimDlg::CalibrationHost::StartThread(std::function<void()> body) {
  return m_dlg->StartThread(std::move(body));
}

ZAVCritSec& CCaltrimDlg::CalibrationHost::CommandLock() { return m_dlg->m_csLock; }

bool CCaltrimDlg::CalibrationHost::ShuttingDown() { return m_dlg->m_bShuttingDown; }

int CCaltrimDlg::CalibrationHost::CaliTimeoutMs() { return m_dlg->m_env.caliTimeoutMs; }

// ---------------------------------------------------------------------------------------------
// The servo panels' view

CIZAVSocketSession* CCaltrimDlg::PanelHost::PanelSession() { return m_dlg->m_pSession; }

float CCaltrimDlg::PanelHost::PanelCaliValue(int servoId) {
  return servoId >= 1 && servoId <= MAX_SERVO_NUM ? m_dlg->m_fCaliValue[servoId - 1] : 0;
}

void CCaltrimDlg::PanelHost::PostToMainWindow(unsigned int msg, WPARAM wParam, LPARAM lParam) {
  m_dlg->PostMessage(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// The robot selection dialog's view

QWidget* CCaltrimDlg::ConnectTarget::Window() { return m_dlg; }

void CCaltrimDlg::ConnectTarget::SetConnectionTarget(const QString& devName, const QString& ip, int port,
                                                     const QString& mac) {
  m_dlg->m_strDevName = devName;
  m_dlg->m_strMac = mac;
  m_dlg->m_nPort = port;
  m_dlg->m_strIP = ip;
}

void CCaltrimDlg::ConnectTarget::SetConnectType(int connectType) {
  m_dlg->m_nConnectType = connectType;
}

IConnectTarget::SessionStart CCaltrimDlg::ConnectTarget::StartSession(const QString& ip) {
  CIZAVSocketSession* session = m_dlg->m_pSession;
  if (session == nullptr) return SessionStart::kNoSession;
  const QByteArray address = ip.toLocal8Bit();
  LibraryCall call(m_dlg);
  return session->StartConnect(address.constData(), CONNECT_TIMEOUT_SECONDS, m_dlg, m_dlg)
             ? SessionStart::kStarted
             : SessionStart::kRefused;
}

bool CCaltrimDlg::ConnectTarget::HasUsbDetection() { return m_dlg->m_pUsbDetection != nullptr; }

bool CCaltrimDlg::ConnectTarget::IsUsbReady() { return m_dlg->m_bUsbReady; }

void CCaltrimDlg::ConnectTarget::SearchDevices() {
  if (m_dlg->m_pBroadcast != nullptr) m_dlg->m_pBroadcast->SearchDevice();
}

void CCaltrimDlg::ConnectTarget::ShowStatus(const QString& text, bool busy) {
  m_dlg->ShowStatus(text, busy);
}

void CCaltrimDlg::ConnectTarget::UpdateConnectionUi(int mode) { m_dlg->UpdateConnectionUi(mode); }
