#include "calibration/CCaltrimDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QToolButton>
#include <utility>

#include "app/ButtonShortcut.h"
#include "app/CAboutDlg.h"
#include "app/CLanguageChooseDialog.h"
#include "app/ControlId.h"
#include "app/StartupTrace.h"
#include "app/Text.h"
#include "calibration/CCaltrimDlgHosts.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/CaltrimConfig.h"
#include "calibration/CaltrimIcons.h"
#include "calibration/ConnectionRules.h"
#include "calibration/MainWindowRules.h"
#include "calibration/MessageBar.h"
#include "calibration/RunRecorder.h"
#include "calibration/WindowRecords.h"
#include "provisioning/ProvisioningModule.h"

CCaltrimDlg::CCaltrimDlg(CaltrimEnv env, QWidget* parent)
    : QDialog(parent),
      m_env(std::move(env)),
      m_workerHost(std::make_unique<WorkerHost>(this)),
      m_usbLink(std::make_unique<UsbLink>(m_workerHost.get())),
      m_calibrationHost(std::make_unique<CalibrationHost>(this)),
      m_calibration(std::make_unique<CalibrationCommands>(m_calibrationHost.get())),
      m_connectTarget(std::make_unique<ConnectTarget>(this)),
      m_panelHost(std::make_unique<PanelHost>(this)),
      m_boxPrompt(std::make_unique<BoxPrompt>(this)) {}

CCaltrimDlg::~CCaltrimDlg() {
  // The focus moves while the controls go; the window's members may be gone by then.
  disconnect(qApp, &QApplication::focusChanged, this, nullptr);
  Shutdown();
  m_dlgDevList.reset();
}

// ---------------------------------------------------------------------------------------------
// Message display and connection-dependent state

QToolButton* CCaltrimDlg::Button(int id) const { return FindControl<QToolButton>(this, id); }

std::thread CCaltrimDlg::StartThread(std::function<void()> body) {
  return m_env.startThread ? m_env.startThread(std::move(body)) : std::thread(std::move(body));
}

void CCaltrimDlg::ShowStatus(const QString& text, bool busy) {
  if (m_progress == nullptr) return;
  m_progress->setEnabled(true);
  m_progress->show();
  if (busy) {
    m_progress->ShowBusy(text);
  } else {
    m_progress->ShowIdle(IdleBarText(text));
  }
}

void CCaltrimDlg::SetStatusLine(const QString& text) {
  m_strStatusLine = text;
  if (m_stcStatus != nullptr) m_stcStatus->setText(StatusLineShown());
}

QString CCaltrimDlg::StatusLineShown() const {
  if (m_strRecordsNote.isEmpty()) return m_strStatusLine;
  if (m_strStatusLine.isEmpty()) return m_strRecordsNote;
  return m_strStatusLine + QStringLiteral("    ") + m_strRecordsNote;
}

void CCaltrimDlg::UpdateConnectionUi(int mode) {
  const ConnectionUi ui = ConnectionUiFor(mode);
  for (CServoItemDlg* panel : m_lstServoItem) panel->EnablePanel(ui.commandsEnabled);
  for (int id : kConnectionCommands) {
    // One calibration run at a time: Calibrate comes back when the run under way ends.
    const bool running = id == IDC_MAIN_CALIBRATE && m_calibration->CalibrationRunning();
    if (QToolButton* button = Button(id)) button->setEnabled(ui.commandsEnabled && !running);
  }
  if (ui.hideSerialNumberWindow && m_dlgSN != nullptr) m_dlgSN->Dialog()->hide();
  m_nConnectType = mode;
  if (ui.connectButton && m_btnConnect != nullptr) {
    m_btnConnect->setText(T(ui.connectButton->captionKey));
    m_btnConnect->setIcon(CaltrimIcon(ui.connectButton->icon));
    SetButtonShortcut(m_btnConnect, MainControlOf(IDC_MAIN_CONNECT).shortcut,
                      T(ui.connectButton->tooltipKey));
  }
}

QString CCaltrimDlg::ReadConfigValue(const QString& key) const {
  return ReadConfigText(m_env.configPath, key);
}

// ---------------------------------------------------------------------------------------------
// Commands

void CCaltrimDlg::OnAbout() { ShowAboutBox(this); }

void CCaltrimDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addSeparator();
  QAction* about = menu.addAction(QString::fromUtf8(kAboutMenuText));
  menu.addAction(m_actHistory);
  if (menu.exec(event->globalPos()) == about) OnAbout();
}

void CCaltrimDlg::OnConnectButton() {
  if (!m_dlgDevList) return;
  setEnabled(false);
  if (m_btnConnect->text() != T("IDS_CONNECT_ROBOT")) {
    Disconnect();
    return;
  }
  // The dialog re-enables this window when it closes, by its Connect or its Exit.
  m_dlgDevList->ShowCentred();
  if (m_bUsbReady) {
    m_dlgDevList->SelectUsbMode();
    m_nConnectType = CONNECT_USB;
  } else {
    m_dlgDevList->SelectWifiMode();
    m_nConnectType = CONNECT_WIFI;
  }
  m_dlgDevList->FocusStartControl();
}

void CCaltrimDlg::Disconnect() {
  ShowStatus(T("IDS_DISCONNECT_FROM_ROBOT"), true);
  StopSession();
  UpdateConnectionUi(CONNECT_NONE);
  ShowSessionEnded("IDS_DISCONNECTED");
  // The status line no longer names a connected robot.
  SetStatusLine(T("IDS_STATE_DISCONNECT"));
  m_btnConnect->setText(T("IDS_CONNECT_ROBOT"));
  setEnabled(true);
}

void CCaltrimDlg::StopSession() {
  if (m_pSession == nullptr) return;
  LibraryCall call(this);
  m_pSession->StopConnect();
}

void CCaltrimDlg::ShowSessionEnded(const char* key) {
  if (m_calibration->EndRunWithLink()) {
    ShowStatus(T("IDS_CALIBRATION_LINK_LOST"), false);
  } else if (key != nullptr) {
    ShowStatus(T(key), false);
  }
  // A run the link cut short is recorded above, as the robot's; nothing after it is.
  if (m_recorder) m_recorder->Disconnected();
  m_nRecordsSerialUntil = 0;
}

// ---------------------------------------------------------------------------------------------
// Keyboard focus

void CCaltrimDlg::OnFocusChanged(QWidget* now) {
  if (now == nullptr || !isAncestorOf(now)) return;
  m_lastFocus = now;
  // A panel the keyboard reaches is scrolled into view where the row does not fit the screen.
  if (m_panelArea != nullptr && m_panelArea->widget() != nullptr &&
      m_panelArea->widget()->isAncestorOf(now)) {
    QWidget* panel = now;
    while (panel->parentWidget() != m_panelArea->widget()) panel = panel->parentWidget();
    m_panelArea->ensureWidgetVisible(panel, 0, 0);
  }
}

void CCaltrimDlg::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  // Disabling the window (while the robot list is up, or a USB robot is being set up) takes the
  // focus from its control; it goes back there, not to the first control, once it is enabled. A
  // control that can take it no more (a panel after a Disconnect) leaves it to Connect.
  if (event->type() != QEvent::EnabledChange || !isEnabled() || focusWidget() != nullptr) return;
  QWidget* to = m_lastFocus;
  if (to == nullptr || !to->isEnabled() || !to->isVisible()) to = m_btnConnect;
  if (to != nullptr && to->isEnabled()) to->setFocus(Qt::OtherFocusReason);
}

void CCaltrimDlg::FocusFirstPanel() {
  if (!m_lstServoItem.empty()) m_lstServoItem.front()->AngleBox()->setFocus(Qt::OtherFocusReason);
}

void CCaltrimDlg::OnSelectAll() {
  const bool selected = m_chkAllSelect->checkState() == Qt::Checked;
  for (CServoItemDlg* panel : m_lstServoItem) panel->SetSelected(selected);
}

void CCaltrimDlg::OnLanguage() { ShowLanguageChooseDialog(this); }

void CCaltrimDlg::OnSerialNumber() {
  if (m_dlgSN == nullptr && !CreateSerialNumberWindow()) return;
  QDialog* window = m_dlgSN->Dialog();
  window->show();
  window->raise();
  window->activateWindow();
  TraceStartup("serial number window: shown");
  // Once a scanner runs it serves the window for the rest of the run; until one starts (no
  // camera), every show tries again and the window says what is missing.
  if (m_bQRScanStarted) return;
  m_bQRScanStarted = m_env.startQRScan ? m_env.startQRScan(m_dlgSN->ScanSink())
                                       : m_provisioning->StartQRScan(m_dlgSN->ScanSink());
  m_dlgSN->ShowCameraMissing(!m_bQRScanStarted);
}

void CCaltrimDlg::OnSessionChanged() {
  if (m_dlgSN != nullptr) m_dlgSN->SetSession(m_pSession);
}
