// Start-up of the main window: its controls and panels, the link objects and the USB worker, in
// the order the window has always followed.

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <string>
#include <utility>

#include "app/AppIcon.h"
#include "app/ButtonShortcut.h"
#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/FileVersion.h"
#include "app/StartupTrace.h"
#include "app/Text.h"
#include "calibration/CCaltrimDlgHosts.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/CaltrimConfig.h"
#include "calibration/CaltrimPrompt.h"
#include "calibration/MessageBar.h"
#include "calibration/rules/CalibrationModel.h"
#include "provisioning/ProvisioningModule.h"

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
  TraceStartup("window: icon");
  // 2. USB arrival and removal notifications.
  std::string usbError;
  if (!RegisterUsbNotifications(&usbError)) {
    const QString text = QStringLiteral("Can't register device notification: ");
    m_boxPrompt->Show(this, text + QString::fromStdString(usbError), T("AFX_IDS_APP_TITLE"),
                       MB_OK | MB_ICONWARNING);
  }
  TraceStartup("window: udev monitor");
  // 3. Calibration values of the configured servos.
  const int servoCount = ServoCountFromConfig(m_env.configPath);
  for (int i = 0; i < servoCount; ++i) m_fCaliValue[i] = 0;
  // 4. The socket layer: POSIX sockets need no start-up call, so it cannot fail.
  // 5. Controls, panels and the first texts.
  QFont templateFont = font();
  templateFont.setPointSize(kMainWindowFontPoints);
  const DialogUnits du(templateFont);
  TraceStartup("window: fonts (dialog units)");
  BuildControls(du);
  TraceStartup("window: controls");
  BuildPanelRow(servoCount);
  TraceStartup("window: panel row");
  FitWindowToPanelRow(du);
  ShowProvisioningButtons(du);
  LoadReferenceAngles(false);
  SetStatusLine(T("IDS_READY"));
  m_chkAllSelect->setChecked(true);
  OnSelectAll();
  ShowStatus(T("IDS_INITIALIZING_PROGRAM"), true);
  TraceStartup("window: texts and reference angles");
  // 6 to 9. The link objects, the USB worker and the robot selection dialog come as soon as the
  // event loop runs, once the window is on its way to the screen: nothing the operator sees waits
  // for them (Connect waits for the USB worker's report in any case), and the debug bridge that
  // the worker starts does not compete with the window for the processor.
  QTimer::singleShot(0, this, &CCaltrimDlg::StartLinkObjects);
  // 10 to 13.
  UpdateConnectionUi(m_nConnectType);
  SetTitle();
  // 12. The serial number window comes with its module when its button is first pressed: a start
  // that never needs it maps none of its libraries (OnSerialNumber).
  LoadReferenceAngles(true);
  // 14. Centre on the screen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  TraceStartup("window: start-up done");
}

void CCaltrimDlg::StartLinkObjects() {
  if (m_bShuttingDown) return;
  // 9. The robot selection dialog, hidden; made first, so that it lists the search's first answers.
  m_dlgDevList = std::make_unique<CDevListDlg>(m_connectTarget.get(), m_boxPrompt.get());
  StartDiscovery();
  TraceStartup("links: discovery started");
  m_env.createSession(&m_pSession);
  m_pUsbDetection = CreateUsbDetection();
  m_usbLink->StartWorker();
  TraceStartup("links: session, USB detection, USB worker started");
}

bool CCaltrimDlg::RegisterUsbNotifications(std::string* error) {
  if (!m_env.createUsbDeviceEvents) return true;  // a window that listens to no devices
  m_usbEvents = m_env.createUsbDeviceEvents();
  return m_usbEvents->Register(m_workerHost.get(), error);
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
  m_progress->setAccessibleDescription(T("IDS_MESSAGE_DISPLAY_DESCRIPTION"));
  m_stcStatus->setAccessibleDescription(T("IDS_STATUS_LINE_DESCRIPTION"));
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { OnFocusChanged(now); });

  connect(Button(IDC_MAIN_ABOUT), &QToolButton::clicked, this, &CCaltrimDlg::OnAbout);
  BuildHistoryEntry();
  connect(m_btnConnect, &QToolButton::clicked, this, &CCaltrimDlg::OnConnectButton);
  connect(Button(IDC_MAIN_READ_CHECK), &QToolButton::clicked, this,
          [this] { m_calibration->ReadAllCaliValues(); });
  connect(Button(IDC_MAIN_RESET), &QToolButton::clicked, this,
          [this] { m_calibration->ResetRobot(); });
  connect(Button(IDC_MAIN_CALIBRATE), &QToolButton::clicked, this,
          [this] { m_calibration->StartCalibration(); });
  // Every way of changing Select all (a click, its keys, a screen reader's Toggle) sets the panels.
  connect(m_chkAllSelect, &QCheckBox::toggled, this, &CCaltrimDlg::OnSelectAll);
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

void CCaltrimDlg::BuildHistoryEntry() {
  // There is no window menu here: the entry stands beside About in the window's context menu and
  // in the About button's menu, and Alt+H opens it from anywhere in the window.
  const QKeySequence keys(QStringLiteral("Alt+H"));
  m_actHistory = new QAction(T("IDS_CALIBRATION_HISTORY"), this);
  m_actHistory->setShortcut(keys);
  m_actHistory->setShortcutContext(Qt::WindowShortcut);
  m_actHistory->setToolTip(TipNamingShortcut(T("IDS_CALIBRATION_HISTORY_TIP"), keys));
  addAction(m_actHistory);
  connect(m_actHistory, &QAction::triggered, this, &CCaltrimDlg::OnHistory);
  QToolButton* about = Button(IDC_MAIN_ABOUT);
  auto* menu = new QMenu(about);
  connect(menu->addAction(QString::fromUtf8(kAboutMenuText)), &QAction::triggered, this, &CCaltrimDlg::OnAbout);
  menu->addAction(m_actHistory);
  about->setMenu(menu);
  about->setPopupMode(QToolButton::MenuButtonPopup);
  about->setToolTip(about->toolTip() + QLatin1Char('\n') + m_actHistory->toolTip());
}

void CCaltrimDlg::BuildPanelRow(int servoCount) {
  // The panels stand in one row from the command column's right edge, at the top of the window,
  // in an area that scrolls where the screen is too narrow for the whole row.
  m_panelArea = new QScrollArea(this);
  m_panelArea->setFrameShape(QFrame::NoFrame);
  m_panelArea->setFocusPolicy(Qt::NoFocus);
  auto* row = new QWidget;
  int x = 0;
  int height = 0;
  for (int id = 1; id <= servoCount; ++id) {
    auto* panel = new CServoItemDlg(row, m_panelHost.get());
    panel->move(x, 0);
    panel->show();
    panel->SetServoId(id);
    x += panel->width();
    height = std::max(height, panel->height());
    m_lstServoItem.push_back(panel);
  }
  row->resize(x, height);
  m_panelArea->setWidget(row);
  m_panelArea->setGeometry(m_grpCommands->geometry().right() + 1, m_grpCommands->geometry().top(),
                           x, height);
}

void CCaltrimDlg::FitWindowToPanelRow(const DialogUnits& du) {
  // The panels keep their own dialog units (their font), the window those of its template, so in
  // some fonts the template is narrower than the row: the window, the message display and the
  // status line then grow to the row's width. They shrink, and the row scrolls, where the screen
  // is narrower than that (the window's frame, unknown before it shows, given room).
  constexpr int kFrameRoom = 16;
  const int margin = du.X(kRightMargin);
  const int wanted = std::max(width(), m_panelArea->geometry().right() + 1 + margin);
  int fitted = wanted;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    fitted = std::min(wanted, screen->availableGeometry().width() - kFrameRoom);
  }
  const int rowWidth = m_panelArea->widget()->width();
  const int shown = std::max(0, std::min(rowWidth, fitted - m_panelArea->x() - margin));
  const int scrollBar =
      shown < rowWidth ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) : 0;
  m_panelArea->resize(shown, m_panelArea->height() + scrollBar);
  // The message display and the status line move down where the scroll bar below the row would
  // reach them.
  const int lower = std::max(0, m_panelArea->geometry().bottom() + 1 + du.Y(kRightMargin) -
                                    m_progress->geometry().top());
  const int grown = fitted - width();
  setFixedSize(fitted, height() + lower);
  for (QWidget* line : {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_stcStatus)}) {
    line->setGeometry(line->x(), line->y() + lower, line->width() + grown, line->height());
  }
}

void CCaltrimDlg::ShowProvisioningButtons(const DialogUnits& du) {
  if (!ProvisioningButtonsShown(m_env.provisioning, m_env.configPath)) return;
  Button(IDC_MAIN_SERIAL_NUMBER)->show();
  // The template places the language button over the panel row: it stands below the row's right
  // end instead, and the message display and status line move down when the row leaves no room.
  QToolButton* language = Button(IDC_MAIN_LANGUAGE);
  const int gap = du.Y(kRightMargin);
  const int rowBottom = m_lstServoItem.empty() ? 0 : m_panelArea->geometry().bottom();
  language->move(m_progress->geometry().right() + 1 - language->width(), rowBottom + 1 + gap);
  const int overlap = language->geometry().bottom() + 1 + gap - m_progress->geometry().top();
  if (overlap > 0) {
    setFixedHeight(height() + overlap);
    for (QWidget* line : {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_stcStatus)}) {
      line->move(line->x(), line->y() + overlap);
    }
  }
  language->show();
  // In the tab order too it comes after the panels.
  if (!m_lstServoItem.empty()) {
    setTabOrder(FindControl<QWidget>(m_lstServoItem.back(), IDC_SERVO_SELECT), language);
  }
}

void CCaltrimDlg::LoadReferenceAngles(bool setAngle) {
  for (CServoItemDlg* panel : m_lstServoItem) {
    const QString value = ReadConfigValue(ServoReferenceKey(panel->ServoId()));
    if (!ConfigKeyPresent(value)) continue;
    // A value that is no servo angle shows as written, so the operator sees what is wrong; the
    // angle box stays empty and Reset leaves the servo alone.
    const std::optional<int> angle = ServoAngle(value.toStdString());
    panel->ReferenceBox()->setText(angle ? QString::number(*angle) : value);
    if (setAngle && angle) panel->ShowAngle(*angle);
    panel->OffsetBox()->setText(QStringLiteral("0"));
  }
}

void CCaltrimDlg::StartDiscovery() {
  const bool created = m_env.createBroadcast(&m_pBroadcast);
  if (created && m_pBroadcast != nullptr && m_pBroadcast->StartBroadcast(this, this)) return;
  const int answer = m_boxPrompt->Show(this, T("IDS_TESTED_VORLA_ERROR"),
                                        T("IDS_DEVICE_SCAN_TIPS"), MB_YESNO);
  if (answer == IDNO) {
    // The operator gives up: the window closes as soon as it runs.
    m_bQuitRequested = true;
    QTimer::singleShot(0, this, [this] { reject(); });
  }
}

IZAVUsbDetection* CCaltrimDlg::CreateUsbDetection() {
  IZAVUsbDetection* detection = nullptr;
  if (!m_env.createUsbDetection(&detection) || detection == nullptr) return nullptr;
  detection->Init(kUsbDetectionMode, this, this);
  return detection;
}

bool CCaltrimDlg::CreateSerialNumberWindow() {
  std::string error;
  TraceStartup("serial number window: asked for");
  m_provisioning = m_env.loadProvisioning ? m_env.loadProvisioning(&error) : LoadProvisioningModule(&error);
  TraceStartup("serial number window: module loaded");
  if (m_provisioning == nullptr) {
    m_boxPrompt->Show(this, T("IDS_PROVISIONING_MODULE_MISSING") + QString::fromStdString(error),
                      T("AFX_IDS_APP_TITLE"), MB_OK | MB_ICONWARNING);
    return false;
  }
  m_dlgSN = m_provisioning->CreateSerialNumberWindow(this, m_boxPrompt.get());
  m_dlgSN->SetSerialWritten([this](const std::string& serial) { OnSerialWritten(serial); });
  OnSessionChanged();
  m_pSNEvent = m_dlgSN->SessionEvents();
  TraceStartup("serial number window: made");
  return true;
}

void CCaltrimDlg::SetTitle() {
  setWindowTitle(T("IDS_VORLA_CALIBRATION_SOFTWARE") +
                 QString::fromStdWString(GetFileVersionText(m_env.executablePath)));
}

void CCaltrimDlg::setVisible(bool visible) {
  if (visible && !m_bInitDone) OnInitDialog();
  QDialog::setVisible(visible);
}
