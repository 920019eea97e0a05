#include "calibration/CCaltrimDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QToolButton>
#include <chrono>
#include <system_error>
#include <utility>

#include "app/AppIcon.h"
#include "app/CAboutDlg.h"
#include "app/CLanguageChooseDialog.h"
#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/FileVersion.h"
#include "app/Text.h"
#include "app/UiThread.h"
#include "calibration/AdbWorker.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/CaltrimConfig.h"
#include "calibration/CaltrimIcons.h"
#include "calibration/CaltrimPrompt.h"
#include "calibration/MainWindowRules.h"
#include "calibration/MessageBar.h"
#include "calibration/PostedMessageEvent.h"

namespace {

// Template of the main window: 428 by 166 dialog units in a 12 point font. The widgets themselves
// use the desktop's font, so captions stay readable at the template's geometry.
constexpr int kTemplateFontPoints = 12;
constexpr int kWindowWidth = 428;
constexpr int kWindowHeight = 166;
constexpr int kRightMargin = 1;  // between the panel row or the message display and the edge
constexpr int kUsbDetectionMode = 2;
constexpr int kReadCaliPauseMs = 500;
const QSize kIconSize(24, 24);

// The window-menu item of the original program, shown in the context menu.
const char kAboutMenuText[] = "关于 Caltrim(&A)...";

}  // namespace

// The USB link worker's view of the window.
class CCaltrimDlg::WorkerHost : public IAdbWorkerHost {
 public:
  explicit WorkerHost(CCaltrimDlg* dlg) : m_dlg(dlg) {}

  ZAVCritSec& WorkerLock() override { return m_dlg->m_csLock; }
  bool IsShuttingDown() override { return m_dlg->m_bShuttingDown; }
  IZAVUsbDetection* UsbDetection() override { return m_dlg->m_pUsbDetection; }
  void SetUsbReady(bool ready) override { m_dlg->m_bUsbReady = ready; }
  void PostUsbState(WPARAM state) override { m_dlg->PostMessage(WM_USB_ADB_STATE, state, 0); }
  void ShowModuleError() override {
    m_dlg->m_env.prompt->Show(m_dlg, QStringLiteral("ADB Module Error!"), T("AFX_IDS_APP_TITLE"),
                              MB_OK);
  }

 private:
  CCaltrimDlg* m_dlg;
};

CCaltrimDlg::CCaltrimDlg(QWidget* parent) : CCaltrimDlg(DefaultCaltrimEnv(), parent) {}

CCaltrimDlg::CCaltrimDlg(CaltrimEnv env, QWidget* parent)
    : QDialog(parent), m_env(std::move(env)), m_workerHost(std::make_unique<WorkerHost>(this)) {
  m_timerReadCali.setSingleShot(true);
  m_timerReadCali.setInterval(kReadCaliPauseMs);
  connect(&m_timerReadCali, &QTimer::timeout, this, [this] {
    if (m_btnReadCheck != nullptr) m_btnReadCheck->setEnabled(true);
  });
}

CCaltrimDlg::~CCaltrimDlg() {
  Shutdown();
  m_dlgDevList.reset();
}

// ---------------------------------------------------------------------------------------------
// Start-up

void CCaltrimDlg::OnInitDialog() {
  if (m_bInitDone) return;
  m_bInitDone = true;
  // 1. Icons (the About item lives in the context menu).
  m_hIcon = ApplicationIcon();
  setWindowIcon(m_hIcon);
  // 2. USB arrival and removal notifications.
  if (!RegisterUsbNotifications()) {
    m_env.prompt->Show(this, QStringLiteral("Can't register device notification: "),
                       T("AFX_IDS_APP_TITLE"), MB_OK | MB_ICONWARNING);
  }
  // 3. Calibration values of the configured servos.
  const int servoCount = ServoCountFromConfig(m_env.configPath);
  for (int i = 0; i < servoCount; ++i) m_fCaliValue[i] = 0;
  // 4. Socket layer.
  if (!InitSocketLayer()) {
    m_env.prompt->Show(this, QStringLiteral("error in socket"), T("AFX_IDS_APP_TITLE"), MB_OK);
    return;
  }
  // 5. Controls, panels and the first texts.
  QFont templateFont = font();
  templateFont.setPointSize(kTemplateFontPoints);
  const DialogUnits du(templateFont);
  BuildControls(du);
  BuildPanelRow(servoCount);
  FitWindowToPanelRow(du);
  LoadReferenceAngles(false);
  m_stcStatus->setText(T("IDS_READY"));
  m_chkAllSelect->setChecked(true);
  OnSelectAll();
  ShowStatus(T("IDS_INITIALIZING_PROGRAM"), true);
  // 6 to 8. Link objects and the USB worker.
  StartDiscovery();
  m_env.createSession(&m_pSession);
  CreateUsbDetection();
  StartAdbWorker();
  // 9. The robot selection dialog, hidden.
  m_dlgDevList = std::make_unique<CDevListDlg>(this, m_env.prompt);
  // 10 to 13.
  UpdateConnectionUi(m_nConnectType);
  SetTitle();
  CreateSerialNumberWindow();
  LoadReferenceAngles(true);
  // 14. Centre on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

bool CCaltrimDlg::RegisterUsbNotifications() {
  // USB arrival and removal come with the USB link (a udev monitor); until then nothing to do.
  return true;
}

bool CCaltrimDlg::InitSocketLayer() {
  // POSIX sockets need no start-up call.
  return true;
}

QToolButton* CCaltrimDlg::MakeCommandButton(int id, const char* captionKey, int icon,
                                            const char* tooltipKey) {
  auto* button = new QToolButton(this);
  SetControlId(button, id);
  if (captionKey != nullptr) button->setText(T(captionKey));
  if (icon != 0) button->setIcon(CaltrimIcon(icon));
  if (tooltipKey != nullptr) button->setToolTip(T(tooltipKey));
  button->setIconSize(kIconSize);
  button->setToolButtonStyle(icon != 0 ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextOnly);
  button->setAutoRaise(true);
  return button;
}

void CCaltrimDlg::BuildControls(const DialogUnits& du) {
  setFixedSize(du.Size(kWindowWidth, kWindowHeight));

  m_grpCommands = new QGroupBox(this);
  SetControlId(m_grpCommands, IDC_MAIN_COMMAND_GROUP);
  m_grpCommands->setGeometry(du.Rect(0, 0, 53, 156));

  m_btnAbout = MakeCommandButton(IDC_MAIN_ABOUT, "IDS_ABOUT", IDI_INFORMATION, nullptr);
  m_btnConnect = MakeCommandButton(IDC_MAIN_CONNECT, "IDS_CONNECT_ROBOT", IDI_PLUG,
                                   "IDS_CONNECT_TO_ROBOT");
  m_btnReadCheck = MakeCommandButton(IDC_MAIN_READ_CHECK, "IDS_READ_CHECK", IDI_REFRESH,
                                     "IDS_READ_CURRENT_CALIBRATION_VALUE");
  m_btnReset = MakeCommandButton(IDC_MAIN_RESET, "IDS_RESET", IDI_TURN, "IDS_ROBOT_RESET");
  m_btnCalibrate = MakeCommandButton(IDC_MAIN_CALIBRATE, "IDS_CALIBRATION", IDI_TICK,
                                     "IDS_CALIBRATE_ANGLE_OFFSET");
  m_chkAllSelect = new QCheckBox(T("IDS_ALL_SELECT"), this);
  SetControlId(m_chkAllSelect, IDC_MAIN_SELECT_ALL);
  m_btnSerialNumber = MakeCommandButton(IDC_MAIN_SERIAL_NUMBER, "IDS_SERIAL_NUMBER", IDI_SERIAL,
                                        "IDS_READ_WRITE_SERRIAL");
  m_btnExit = MakeCommandButton(IDC_MAIN_EXIT, "IDS_EXIT", IDI_CROSS, "IDS_EXIT_PROGRAM");
  m_btnReadAngle = MakeCommandButton(IDC_MAIN_READ_ANGLE, "IDS_READ_ANGLE", IDI_ANGLE,
                                     "IDS_READ_CURRENT_ANGLE");
  m_btnLanguage = MakeCommandButton(IDC_MAIN_LANGUAGE, "IDS_LANGUAGE_SETTING", 0, nullptr);
  m_btnSpare = MakeCommandButton(IDC_MAIN_SPARE, nullptr, 0, nullptr);

  m_btnAbout->setGeometry(du.Rect(1, 7, 50, 14));
  m_btnConnect->setGeometry(du.Rect(1, 29, 50, 14));
  m_btnReadCheck->setGeometry(du.Rect(1, 51, 50, 14));
  m_btnReset->setGeometry(du.Rect(1, 73, 50, 14));
  m_btnCalibrate->setGeometry(du.Rect(1, 95, 50, 14));
  m_btnSerialNumber->setGeometry(du.Rect(1, 123, 50, 14));
  m_btnExit->setGeometry(du.Rect(1, 142, 50, 14));
  m_chkAllSelect->setGeometry(du.Rect(7, 112, 41, 8));
  m_btnReadAngle->setGeometry(du.Rect(76, 8, 39, 13));
  m_btnLanguage->setGeometry(du.Rect(124, 7, 48, 12));
  m_btnSpare->setGeometry(du.Rect(362, 143, 46, 13));

  m_btnReadAngle->hide();
  m_btnSerialNumber->hide();
  m_btnLanguage->hide();
  m_btnSpare->hide();
  m_btnConnect->setEnabled(false);

  m_progress = new MessageBar(this);
  SetControlId(m_progress, IDC_MAIN_MESSAGE);
  m_progress->setGeometry(du.Rect(53, 144, 374, 11));

  m_stcStatus = new QLabel(this);
  SetControlId(m_stcStatus, IDC_MAIN_STATUS);
  m_stcStatus->setGeometry(du.Rect(13, 156, 413, 8));
  m_stcStatus->setTextFormat(Qt::PlainText);

  connect(m_btnAbout, &QToolButton::clicked, this, &CCaltrimDlg::OnAbout);
  connect(m_btnConnect, &QToolButton::clicked, this, &CCaltrimDlg::OnConnectButton);
  connect(m_btnReadCheck, &QToolButton::clicked, this, &CCaltrimDlg::ReadAllCaliValues);
  connect(m_btnReset, &QToolButton::clicked, this, &CCaltrimDlg::ResetRobot);
  connect(m_btnCalibrate, &QToolButton::clicked, this, &CCaltrimDlg::StartCalibration);
  connect(m_chkAllSelect, &QCheckBox::clicked, this, &CCaltrimDlg::OnSelectAll);
  connect(m_btnSerialNumber, &QToolButton::clicked, this, &CCaltrimDlg::OnSerialNumber);
  connect(m_btnExit, &QToolButton::clicked, this, [this] {
    if (CloseMustWait()) return;
    Shutdown();
    done(QDialog::Accepted);
  });
  connect(m_btnReadAngle, &QToolButton::clicked, this, &CCaltrimDlg::ReadAllAngles);
  connect(m_btnLanguage, &QToolButton::clicked, this, &CCaltrimDlg::OnLanguage);
}

void CCaltrimDlg::BuildPanelRow(int servoCount) {
  // The panels stand in one row from the command column's right edge, at the top of the window.
  int x = m_grpCommands->geometry().right() + 1;
  const int y = m_grpCommands->geometry().top();
  for (int id = 1; id <= servoCount; ++id) {
    auto* panel = new CServoItemDlg(this, this);
    panel->move(x, y);
    panel->show();
    panel->SetServoId(id);
    x += panel->width();
    m_lstServoItem.push_back(panel);
  }
}

void CCaltrimDlg::FitWindowToPanelRow(const DialogUnits& du) {
  // The panels keep their own dialog units (their font), the window those of its template, so in
  // some fonts the template is narrower than the row: the window, the message display and the
  // status line then grow to the row's width.
  if (m_lstServoItem.empty()) return;
  const int rowRight = m_lstServoItem.back()->geometry().right();
  const int extra = rowRight + 1 + du.X(kRightMargin) - width();
  if (extra <= 0) return;
  setFixedWidth(width() + extra);
  for (QWidget* line : {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_stcStatus)}) {
    line->resize(line->width() + extra, line->height());
  }
}

void CCaltrimDlg::LoadReferenceAngles(bool setAngle) {
  for (CServoItemDlg* panel : m_lstServoItem) {
    const QString value = ReadConfigValue(ServoReferenceKey(panel->ServoId()));
    if (!ConfigKeyPresent(value)) continue;
    const QString angle = QString::number(ConfigTextToInt(value));
    panel->ReferenceBox()->setText(angle);
    if (setAngle) panel->AngleBox()->setText(angle);
    panel->OffsetBox()->setText(QStringLiteral("0"));
  }
}

void CCaltrimDlg::StartDiscovery() {
  const bool created = m_env.createBroadcast(&m_pBroadcast);
  if (created && m_pBroadcast != nullptr && m_pBroadcast->StartBroadcast(this, this)) return;
  const int answer = m_env.prompt->Show(this, T("IDS_TESTED_VORLA_ERROR"),
                                        T("IDS_DEVICE_SCAN_TIPS"), MB_YESNO);
  if (answer == IDNO) {
    // The operator gives up: the window closes as soon as it runs.
    m_bQuitRequested = true;
    QTimer::singleShot(0, this, [this] { reject(); });
  }
}

void CCaltrimDlg::CreateUsbDetection() {
  if (!m_env.createUsbDetection(&m_pUsbDetection) || m_pUsbDetection == nullptr) {
    m_pUsbDetection = nullptr;
    return;
  }
  m_pUsbDetection->Init(kUsbDetectionMode, this, this);
}

void CCaltrimDlg::StartAdbWorker() {
  IAdbWorkerHost* host = m_workerHost.get();
  try {
    StartWorker([host] { RunAdbWorker(host); });
  } catch (const std::system_error&) {
    // No thread to be had: the run fails as a run without a detection object does, so the
    // Connect button still serves Wi-Fi.
    host->SetUsbReady(false);
    host->PostUsbState(USB_ADB_NOT_READY);
  }
}

void CCaltrimDlg::StartWorker(std::function<void()> body) {
  m_adbWorkers.push_back(m_env.startThread ? m_env.startThread(std::move(body))
                                           : std::thread(std::move(body)));
}

void CCaltrimDlg::CreateSerialNumberWindow() {
  // The serial number window arrives with provisioning; it will be made here, handed m_pSession,
  // and m_pSNEvent set to its event interface.
}

void CCaltrimDlg::SetTitle() {
  setWindowTitle(T("IDS_VORLA_CALIBRATION_SOFTWARE") +
                 QString::fromStdWString(GetFileVersionText(m_env.executablePath)));
}

void CCaltrimDlg::setVisible(bool visible) {
  if (visible && !m_bInitDone) OnInitDialog();
  QDialog::setVisible(visible);
}

// ---------------------------------------------------------------------------------------------
// Message display and connection-dependent state

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

QString CCaltrimDlg::StatusLine() const {
  return m_stcStatus != nullptr ? m_stcStatus->text() : QString();
}

void CCaltrimDlg::UpdateConnectionUi(int mode) {
  const bool connected = mode != CONNECT_NONE;
  for (CServoItemDlg* panel : m_lstServoItem) panel->EnablePanel(connected);
  for (QToolButton* button : {m_btnReadCheck, m_btnReset, m_btnSpare, m_btnCalibrate,
                              m_btnReadAngle, m_btnSerialNumber}) {
    if (button != nullptr) button->setEnabled(connected);
  }
  if (!connected && m_dlgSN != nullptr) m_dlgSN->hide();
  m_nConnectType = mode;
  SetConnectButton(mode);
}

void CCaltrimDlg::SetConnectButton(int mode) {
  if (m_btnConnect == nullptr) return;
  if (mode == CONNECT_NONE) {
    m_btnConnect->setText(T("IDS_CONNECT_ROBOT"));
    m_btnConnect->setIcon(CaltrimIcon(IDI_PLUG));
    m_btnConnect->setToolTip(T("IDS_CONNECT_TO_ROBOT"));
  } else if (mode == CONNECT_WIFI || mode == CONNECT_USB) {
    m_btnConnect->setText(T("IDS_DISCONNECT"));
    m_btnConnect->setIcon(CaltrimIcon(IDI_UNPLUGGED));
    m_btnConnect->setToolTip(T("IDS_DISCONNECT_ROBOT"));
  }
}

QString CCaltrimDlg::ReadConfigValue(const QString& key) const {
  return ReadConfigText(m_env.configPath, key);
}

CServoItemDlg* CCaltrimDlg::ServoItem(int id) const {
  if (id < 1 || id > static_cast<int>(m_lstServoItem.size())) return nullptr;
  return m_lstServoItem[id - 1];
}

// ---------------------------------------------------------------------------------------------
// Commands

void CCaltrimDlg::OnAbout() { ShowAboutBox(this); }

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
}

void CCaltrimDlg::Disconnect() {
  ShowStatus(T("IDS_DISCONNECT_FROM_ROBOT"), true);
  StopSession();
  UpdateConnectionUi(CONNECT_NONE);
  ShowStatus(T("IDS_DISCONNECTED"), false);
  // The status line no longer names a connected robot.
  m_stcStatus->setText(T("IDS_STATE_DISCONNECT"));
  m_btnConnect->setText(T("IDS_CONNECT_ROBOT"));
  setEnabled(true);
}

void CCaltrimDlg::StopSession() {
  if (m_pSession == nullptr) return;
  LibraryCall call(this);
  m_pSession->StopConnect();
}

void CCaltrimDlg::OnSelectAll() {
  const bool selected = m_chkAllSelect->checkState() == Qt::Checked;
  for (CServoItemDlg* panel : m_lstServoItem) panel->SetSelected(selected);
}

void CCaltrimDlg::OnLanguage() { ShowLanguageChooseDialog(this); }

void CCaltrimDlg::OnSerialNumber() {
  // Shows the serial number window (and starts the QR scanner on first use) once provisioning
  // provides them; the button stays hidden meanwhile.
  if (m_dlgSN != nullptr) m_dlgSN->show();
}

void CCaltrimDlg::ReadAllCaliValues() {
  if (m_nConnectType == CONNECT_NONE || m_pSession == nullptr) return;
  for (int id = 1; id <= static_cast<int>(m_lstServoItem.size()); ++id) {
    m_pSession->SocketSession_ReadServoCaliAngel(id);
  }
  m_btnReadCheck->setEnabled(false);
  m_timerReadCali.start();
}

void CCaltrimDlg::ReadAllAngles() {
  if (m_pSession == nullptr) return;
  for (int id = 1; id <= static_cast<int>(m_lstServoItem.size()); ++id) {
    m_pSession->SocketSession_ReadCurrentAngel(id);
  }
}

void CCaltrimDlg::StartCalibration() {
  // Writing the selected offsets arrives with the calibration commands.
}

void CCaltrimDlg::ResetRobot() {
  // Moving every servo to its reference angle arrives with the calibration commands.
}

// ---------------------------------------------------------------------------------------------
// Shut-down

void CCaltrimDlg::LockPumping() {
  // A USB worker holding the lock may itself wait for this thread (its message box), so the wait
  // keeps serving it through the UI host, as the library's own waits do, instead of blocking.
  while (!m_csLock.TryLock()) {
    ZAVPumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
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
  if (CIZAVSocketSession* session = std::exchange(m_pSession, nullptr)) session->Release();
  for (CServoItemDlg* panel : std::exchange(m_lstServoItem, {})) delete panel;
  m_csLock.Unlock();
  // Every run has passed the lock by now or will find the shut-down flag; none outlives us.
  for (std::thread& worker : m_adbWorkers) {
    if (worker.joinable()) worker.join();
  }
  m_adbWorkers.clear();
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

void CCaltrimDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  menu.addSeparator();
  QAction* about = menu.addAction(QString::fromUtf8(kAboutMenuText));
  if (menu.exec(event->globalPos()) == about) OnAbout();
}

// ---------------------------------------------------------------------------------------------
// Posted messages

void CCaltrimDlg::PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) {
  QCoreApplication::postEvent(this, new PostedMessageEvent(msg, wParam, lParam));
}

bool CCaltrimDlg::event(QEvent* event) {
  if (event->type() == PostedMessageEvent::Type()) {
    const auto* posted = static_cast<PostedMessageEvent*>(event);
    OnMessage(posted->Message(), posted->WParam(), posted->LParam());
    return true;
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
  if (m_progress == nullptr) return;  // start-up ended early: no controls to show it on
  if (state == ZAV_SESSION_CONNECTED) {
    ReadAllCaliValues();
    if (const char* key = ConnectedMessageKey(m_nConnectType)) {
      ShowStatus(T(key), false);
      m_stcStatus->setText(ConnectedStatusLine(m_nConnectType, m_strDevName, m_strIP, m_nPort));
    }
    UpdateConnectionUi(m_nConnectType);
  } else if (state == ZAV_SESSION_ENDED) {
    m_strDevName.clear();
    m_strIP.clear();
    m_nPort = 0;
    m_stcStatus->setText(T("IDS_STATE_DISCONNECT"));
    if (m_pSession != nullptr) {
      StopSession();
      UpdateConnectionUi(CONNECT_NONE);
    }
    ShowStatus(T(EndedMessageKey(reason)), false);
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
  if (const auto all = SelectAllAfterPanelChange(change, boxes)) m_chkAllSelect->setChecked(*all);
}

// ---------------------------------------------------------------------------------------------
// Library callbacks

void CCaltrimDlg::OnFoundDevice(__DevInfo info) {
  // The whole look-up and append runs on the user-interface thread while this thread waits, so it
  // never interleaves with Refresh; a record that comes before the dialog exists waits for it.
  RunOnUiThreadAndWait(this, [this, &info] {
    if (m_dlgDevList) m_dlgDevList->AddDevice(info);
  });
}

void CCaltrimDlg::OnReadServoCaliAngel(bool ok, int id, int value) {
  RunOnUiThread(this, [this, ok, id, value] { ApplyCaliRead(ok, id, value); });
}

void CCaltrimDlg::OnReadCurrentAngel(bool ok, int id, int angle) {
  RunOnUiThread(this, [this, ok, id, angle] { ApplyAngleRead(ok, id, angle); });
}

void CCaltrimDlg::OnSetCaliAngel(bool, int) {
  // Matching write replies to m_vecPendingCali arrives with the calibration commands.
}

void CCaltrimDlg::OnReadSN(bool ok, const char* text, int len) {
  if (m_pSNEvent != nullptr) m_pSNEvent->OnReadSN(ok, text, len);
}

void CCaltrimDlg::OnWriteSN(bool ok, const char* text, int len) {
  if (m_pSNEvent != nullptr) m_pSNEvent->OnWriteSN(ok, text, len);
}

void CCaltrimDlg::OnUsbAdbEvent(unsigned int) {}

void CCaltrimDlg::ApplyCaliRead(bool ok, int id, int value) {
  CServoItemDlg* panel = ServoItem(id);
  if (panel == nullptr) return;
  panel->EnablePanel(ok);
  panel->SetLastOk(ok);
  panel->OffsetBox()->setText(QString::number(value));
  panel->m_nBaseCali = value;
  m_fCaliValue[id - 1] = static_cast<float>(value);
}

void CCaltrimDlg::ApplyAngleRead(bool ok, int id, int angle) {
  CServoItemDlg* panel = ServoItem(id);
  if (panel == nullptr) return;
  panel->AngleBox()->setText(QString::number(angle));
  panel->EnablePanel(ok);
}
