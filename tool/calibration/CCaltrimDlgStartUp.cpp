// Start-up of the main window: its controls and panels, the link objects and the USB worker, in
// the order the window has always followed.

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <system_error>
#include <utility>

#include "app/AppIcon.h"
#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/FileVersion.h"
#include "app/Text.h"
#include "calibration/CCaltrimDlgHosts.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/CaltrimConfig.h"
#include "calibration/CaltrimPrompt.h"
#include "calibration/MessageBar.h"

namespace {
constexpr int kRightMargin = 1;  // between the panel row or the message display and the edge
constexpr int kUsbDetectionMode = 2;
}  // namespace

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
  templateFont.setPointSize(kMainWindowFontPoints);
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
  m_dlgDevList = std::make_unique<CDevListDlg>(m_connectTarget.get(), m_env.prompt);
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

void CCaltrimDlg::BuildControls(const DialogUnits& du) {
  setFixedSize(du.Size(kMainWindowWidth, kMainWindowHeight));
  for (const MainControl& control : kMainControls) MakeMainControl(this, control, du);
  m_grpCommands = FindControl<QGroupBox>(this, IDC_MAIN_COMMAND_GROUP);
  m_btnConnect = Button(IDC_MAIN_CONNECT);
  m_chkAllSelect = FindControl<QCheckBox>(this, IDC_MAIN_SELECT_ALL);
  m_progress = FindControl<MessageBar>(this, IDC_MAIN_MESSAGE);
  m_stcStatus = FindControl<QLabel>(this, IDC_MAIN_STATUS);
  // Until the USB worker has reported, Connect cannot tell Wi-Fi from USB.
  m_btnConnect->setEnabled(false);

  connect(Button(IDC_MAIN_ABOUT), &QToolButton::clicked, this, &CCaltrimDlg::OnAbout);
  connect(m_btnConnect, &QToolButton::clicked, this, &CCaltrimDlg::OnConnectButton);
  connect(Button(IDC_MAIN_READ_CHECK), &QToolButton::clicked, this,
          [this] { m_calibration->ReadAllCaliValues(); });
  connect(Button(IDC_MAIN_RESET), &QToolButton::clicked, this,
          [this] { m_calibration->ResetRobot(); });
  connect(Button(IDC_MAIN_CALIBRATE), &QToolButton::clicked, this,
          [this] { m_calibration->StartCalibration(); });
  connect(m_chkAllSelect, &QCheckBox::clicked, this, &CCaltrimDlg::OnSelectAll);
  connect(Button(IDC_MAIN_SERIAL_NUMBER), &QToolButton::clicked, this,
          &CCaltrimDlg::OnSerialNumber);
  connect(Button(IDC_MAIN_EXIT), &QToolButton::clicked, this, [this] {
    if (CloseMustWait()) return;
    Shutdown();
    done(QDialog::Accepted);
  });
  connect(Button(IDC_MAIN_READ_ANGLE), &QToolButton::clicked, this,
          [this] { m_calibration->ReadAllAngles(); });
  connect(Button(IDC_MAIN_LANGUAGE), &QToolButton::clicked, this, &CCaltrimDlg::OnLanguage);
}

void CCaltrimDlg::BuildPanelRow(int servoCount) {
  // The panels stand in one row from the command column's right edge, at the top of the window.
  int x = m_grpCommands->geometry().right() + 1;
  const int y = m_grpCommands->geometry().top();
  for (int id = 1; id <= servoCount; ++id) {
    auto* panel = new CServoItemDlg(this, m_panelHost.get());
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
