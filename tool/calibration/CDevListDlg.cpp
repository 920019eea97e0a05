#include "calibration/CDevListDlg.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QWindow>
#include <algorithm>

#include "app/ButtonShortcut.h"
#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/Text.h"
#include "calibration/CalibrationMessages.h"
#include "calibration/CaltrimPrompt.h"

namespace {

// Template 131: 316 by 182 dialog units.
constexpr int kTemplateFontPoints = 9;
constexpr int kDialogWidth = 316;
constexpr int kDialogHeight = 182;

struct Column {
  const char* headingKey;
  int width;  // pixels
};
constexpr Column kColumns[] = {{"IDS_DEVICE_NAME", 100},
                               {"IDS_VERSION_NUMBER", 110},
                               {"IDS_IP_ADDRESS", 130},
                               {"IDS_MAC_ADDRESS", 110}};
constexpr int kNameColumn = 0;
constexpr int kIpColumn = 2;
constexpr int kMacColumn = 3;

}  // namespace

CDevListDlg::CDevListDlg(IConnectTarget* main, ICaltrimPrompt* prompt)
    : QDialog(nullptr), m_pMain(main), m_pPrompt(prompt) {
  // A window of its own rather than a child of the main window, so that disabling the main window
  // while this dialog is up leaves the dialog usable. ShowCentred keeps it above the main window.
  OnInitDialog();
}

void CDevListDlg::OnInitDialog() {
  QFont templateFont = font();
  templateFont.setPointSize(kTemplateFontPoints);
  const DialogUnits du(templateFont);
  setFixedSize(du.Size(kDialogWidth, kDialogHeight));

  m_list = MakeControl<QTableWidget>(this, IDC_DEVLIST_LIST);
  m_list->setGeometry(du.Rect(7, 26, 302, 131));
  m_list->setColumnCount(static_cast<int>(std::size(kColumns)));
  for (int c = 0; c < m_list->columnCount(); ++c) {
    m_list->setHorizontalHeaderItem(c, new QTableWidgetItem(T(kColumns[c].headingKey)));
    m_list->setColumnWidth(c, kColumns[c].width);
  }
  m_list->setShowGrid(true);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->verticalHeader()->hide();
  m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_list->setWordWrap(false);
  // The MAC is where robots of one name differ: its column takes the width the others leave.
  m_list->horizontalHeader()->setStretchLastSection(true);
  // Tab leaves the list (arrow keys move among the rows); Enter connects to the chosen row.
  m_list->setTabKeyNavigation(false);
  m_list->installEventFilter(this);
  // As a person expects of a list: a double click picks the row and connects to it.
  connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row) {
    m_list->selectRow(row);
    OnConnect();
  });

  m_radioWifi = MakeControl<QRadioButton>(this, IDC_DEVLIST_WIFI);
  m_radioWifi->setText(QStringLiteral("WIFI"));
  m_radioWifi->setGeometry(du.Rect(95, 16, 32, 10));
  m_radioUsb = MakeControl<QRadioButton>(this, IDC_DEVLIST_USB);
  m_radioUsb->setText(QStringLiteral("USB"));
  m_radioUsb->setGeometry(du.Rect(188, 16, 29, 10));
  m_radioWifi->setChecked(true);
  // Enabled, so that the keyboard reaches them and a screen reader reads the mode on the way;
  // choosing one selects its mode as the main window's Connect does.
  connect(m_radioWifi, &QRadioButton::clicked, this, &CDevListDlg::SelectWifiMode);
  connect(m_radioUsb, &QRadioButton::clicked, this, &CDevListDlg::SelectUsbMode);

  m_btnRefresh = MakeControl<QPushButton>(this, IDC_DEVLIST_REFRESH);
  m_btnRefresh->setGeometry(du.Rect(128, 161, 53, 14));
  m_btnRefresh->setText(T("IDS_REFRESH"));
  SetButtonShortcut(m_btnRefresh, "Alt+R", T("IDS_DEVLIST_REFRESH_TIP"));
  m_btnConnect = MakeControl<QPushButton>(this, IDC_DEVLIST_CONNECT);
  m_btnConnect->setGeometry(du.Rect(189, 161, 57, 14));
  m_btnConnect->setText(T("IDS_CONNECT_ROBOT"));
  SetButtonShortcut(m_btnConnect, "Alt+C", T("IDS_CONNECT_TO_ROBOT"));
  m_btnExit = MakeControl<QPushButton>(this, IDC_DEVLIST_EXIT);
  m_btnExit->setGeometry(du.Rect(253, 161, 50, 14));
  m_btnExit->setText(T("IDS_EXIT"));
  SetButtonShortcut(m_btnExit, "Alt+X", T("IDS_DEVLIST_EXIT_TIP"));
  // Exit is the default; Enter on a focused Refresh or Connect presses that button instead.
  m_btnExit->setDefault(true);
  connect(m_btnRefresh, &QPushButton::clicked, this, &CDevListDlg::OnRefresh);
  connect(m_btnConnect, &QPushButton::clicked, this, &CDevListDlg::OnConnect);
  connect(m_btnExit, &QPushButton::clicked, this, &CDevListDlg::OnExit);

  setWindowTitle(T("IDS_AVAILABLE_CURRENT_CONNECTION"));
}

void CDevListDlg::ShowCentred() {
  QWidget* main = m_pMain->Window();
  QRect area = main->frameGeometry();
  if (!main->isVisible()) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
  }
  move(area.center() - rect().center());
  // Owned by the main window before it shows: the main window runs modally, and only a window it
  // owns stays usable beside it.
  winId();
  main->winId();
  windowHandle()->setTransientParent(main->windowHandle());
  show();
  raise();
  activateWindow();
}

bool CDevListDlg::IsUsbMode() const { return m_radioUsb->isChecked(); }

void CDevListDlg::FocusStartControl() {
  if (m_list->isEnabled() && m_list->rowCount() > 0) {
    m_list->setFocus(Qt::OtherFocusReason);
  } else {
    (IsUsbMode() ? m_btnConnect : m_btnRefresh)->setFocus(Qt::OtherFocusReason);
  }
}

bool CDevListDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_list || event->type() != QEvent::KeyPress) {
    return QDialog::eventFilter(watched, event);
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    ConnectToChosenRow();
    return true;
  }
  // Ctrl+Tab, the way out of a control that keeps Tab, leaves the list as Tab does.
  if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
      key->modifiers().testFlag(Qt::ControlModifier)) {
    focusNextPrevChild(key->key() == Qt::Key_Tab && !key->modifiers().testFlag(Qt::ShiftModifier));
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CDevListDlg::ConnectToChosenRow() {
  // The row the keyboard stands on counts as chosen when none is selected; with no row at all
  // Enter does nothing (it never falls through to Exit).
  const QModelIndex current = m_list->currentIndex();
  if (!m_list->selectionModel()->hasSelection()) {
    if (!current.isValid()) return;
    m_list->selectRow(current.row());
  }
  OnConnect();
}

// ---------------------------------------------------------------------------------------------
// Rows

void CDevListDlg::AddDevice(const __DevInfo& info) {
  const QString mac = QString::fromStdWString(info.strMAC);
  for (int row = 0; row < m_list->rowCount(); ++row) {
    const QTableWidgetItem* item = m_list->item(row, kMacColumn);
    if (item != nullptr && item->text() == mac) return;
  }
  const int row = m_list->rowCount();
  m_list->insertRow(row);
  const QString texts[] = {QString::fromStdWString(info.strName),
                           QString::fromStdWString(info.strVersion),
                           QString::fromStdWString(info.strIP), mac};
  for (int c = 0; c < static_cast<int>(std::size(texts)); ++c) {
    m_list->setItem(row, c, new QTableWidgetItem(texts[c]));
  }
}

void CDevListDlg::OnRefresh() {
  m_list->setRowCount(0);
  m_pMain->SearchDevices();
}

// ---------------------------------------------------------------------------------------------
// Mode

void CDevListDlg::SelectWifiMode() {
  m_radioWifi->setChecked(true);
  m_radioUsb->setChecked(false);
  m_list->setEnabled(true);
  m_btnConnect->setText(T("IDS_CONNECT_ROBOT"));
}

void CDevListDlg::ApplyUsbMode() {
  m_radioWifi->setChecked(false);
  m_radioUsb->setChecked(true);
  m_list->setEnabled(false);
  m_btnConnect->setText(T("IDS_USB_CONNECT"));
}

void CDevListDlg::SelectUsbMode() {
  if (!m_pMain->HasUsbDetection()) {
    Message(T("IDS_USB_EXCEPTION_TIPS"), T("AFX_IDS_APP_TITLE"), MB_OK);
    // The mode is unchanged: a chosen USB button goes back to Wi-Fi, the mode in force (its list
    // enabled).
    if (m_list->isEnabled()) SelectWifiMode();
    return;
  }
  if (m_pMain->IsUsbReady()) {
    ApplyUsbMode();
    return;
  }
  if (m_pPrompt->Show(this, T("IDS_NO_USB_TIPS"), T("IDS_TIPS"), MB_YESNO) == IDYES) {
    ApplyUsbMode();
  } else {
    // All of Wi-Fi mode, so a list left disabled by an earlier USB mode is usable again.
    SelectWifiMode();
  }
}

// ---------------------------------------------------------------------------------------------
// Connect and Exit

void CDevListDlg::OnConnect() {
  // StartConnect may wait, handling events, for the end of an earlier run; a second Connect
  // meanwhile would start a second run on the same session.
  if (m_bConnecting) return;
  m_bConnecting = true;
  m_btnConnect->setEnabled(false);
  if (IsUsbMode()) {
    m_pMain->ShowStatus(T("IDS_USB_CONNECT_ROBOT"), true);
    UsbConnect();
  } else {
    m_pMain->ShowStatus(T("IDS_WIFI_CONNECT_ROBOT"), true);
    WifiConnect();
  }
  m_btnConnect->setEnabled(true);
  m_bConnecting = false;
  OnExit();
}

void CDevListDlg::WifiConnect() {
  const QModelIndexList rows = m_list->selectionModel()->selectedRows();
  if (rows.isEmpty()) {
    Message(T("IDS_SELECT_LINE_TIPS"), T("AFX_IDS_APP_TITLE"), MB_OK);
    m_pMain->UpdateConnectionUi(CONNECT_NONE);
    m_pMain->ShowStatus(T("IDS_UNSELECTED_DEVICE_TIPS"), false);
    return;
  }
  const int row = std::min_element(rows.begin(), rows.end(), [](const QModelIndex& a,
                                                                 const QModelIndex& b) {
                    return a.row() < b.row();
                  })->row();
  const QString ip = m_list->item(row, kIpColumn)->text();
  m_pMain->SetConnectionTarget(m_list->item(row, kNameColumn)->text(), ip, ZAV_ROBOT_PORT,
                               m_list->item(row, kMacColumn)->text());
  StartSession(ip, CONNECT_WIFI);
}

void CDevListDlg::UsbConnect() {
  const QString ip = QString::fromLatin1(USB_ROBOT_IP);
  m_pMain->SetConnectionTarget(T("IDS_USB_DEVICE"), ip, ZAV_ROBOT_PORT, QString());
  StartSession(ip, CONNECT_USB);
}

void CDevListDlg::StartSession(const QString& ip, int connectType) {
  switch (m_pMain->StartSession(ip)) {
    case IConnectTarget::SessionStart::kStarted:
      m_pMain->SetConnectType(connectType);
      return;
    case IConnectTarget::SessionStart::kNoSession:
      Message(T("IDS_INVALID_SOCKET_TIPS"), T("AFX_IDS_APP_TITLE"), MB_OK);
      break;
    case IConnectTarget::SessionStart::kRefused:
      break;  // no run started, so no session message will ever end the busy display
  }
  ConnectAttemptFailed();
}

void CDevListDlg::ConnectAttemptFailed() {
  m_pMain->UpdateConnectionUi(CONNECT_NONE);
  m_pMain->ShowStatus(T("IDS_CONNECT_FAIL"), false);
}

void CDevListDlg::OnExit() {
  hide();
  m_pMain->Window()->setEnabled(true);
  m_pMain->Window()->activateWindow();
}

void CDevListDlg::reject() { OnExit(); }

void CDevListDlg::Message(const QString& text, const QString& caption, unsigned int style) {
  m_pPrompt->Show(this, text, caption, style);
}
