#include "provisioning/SNSettingDlg.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QWindow>
#include <algorithm>
#include <thread>

#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/Text.h"
#include "app/UiThread.h"
#include "calibration/CaltrimPrompt.h"
#include "provisioning/QRScan.h"
#include "provisioning/ServiceAddress.h"
#include "provisioning/X11WindowFinder.h"

namespace {

// Template 147: 464 by 293 dialog units.
constexpr int kTemplateFontPoints = 9;
constexpr int kDialogWidth = 464;
constexpr int kDialogHeight = 293;

// The bottom strip that keeps the three controls below the scanner's view, and their places in
// it, in pixels. They stand clear of the window's edges, centred in the strip's height.
constexpr int kStripHeight = 30;
constexpr int kReadX = 6;
constexpr int kSerialX = 80;
constexpr int kSetX = 340;
constexpr int kSerialHeight = 18;
constexpr int kControlGap = 4;

// Refuses an edit that would leave more than kMaxSerialLength characters. Only what the operator
// types or pastes is checked; a number read from the robot or scanned is shown whole.
class SerialLengthValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return input.size() <= kMaxSerialLength ? Acceptable : Invalid;
  }
};

QString Joined(const SnMessage& message) {
  QString text;
  for (const SnMessagePart& part : message.parts) {
    text += part.key != nullptr ? T(part.key) : QString::fromStdWString(part.literal);
  }
  return text;
}

}  // namespace

SNSettingDlg::SNSettingDlg(QWidget* owner, ICaltrimPrompt* prompt,
                           std::unique_ptr<CHttpOper> httpOper)
    : QDialog(owner), m_httpOper(std::move(httpOper)), m_pPrompt(prompt) {
  OnInitDialog();
}

SNSettingDlg::~SNSettingDlg() {
  // The scanner reads its sink through m_pQRScanEvent, a member of this window: its threads end
  // before the window's memory does.
  StopQRScan(&m_pQRScanEvent);
  m_pQRScanEvent = nullptr;
}

void SNSettingDlg::OnInitDialog() {
  LoadServiceAddress();
  m_pQRScanEvent = this;

  QFont templateFont = font();
  templateFont.setPointSize(kTemplateFontPoints);
  const DialogUnits du(templateFont);
  setFixedSize(du.Size(kDialogWidth, kDialogHeight));

  m_btnRead = MakeControl<QPushButton>(this, IDC_SN_READ);
  m_btnRead->setGeometry(du.Rect(7, 272, 50, 14));
  m_edtSerial = MakeControl<QLineEdit>(this, IDC_SN_SERIAL);
  m_edtSerial->setGeometry(du.Rect(73, 272, 148, 14));
  m_edtSerial->setValidator(new SerialLengthValidator(m_edtSerial));
  m_btnSet = MakeControl<QPushButton>(this, IDC_SN_SET);
  m_btnSet->setGeometry(du.Rect(232, 272, 50, 14));
  for (QPushButton* button : {m_btnRead, m_btnSet}) button->setAutoDefault(false);

  setWindowTitle(T("IDS_READ_WRITE_SERRIAL"));
  m_btnRead->setText(T("IDS_READ_SN"));
  m_btnSet->setText(T("IDS_SET_SN"));
  m_btnRead->setAccessibleName(T("IDS_READ_SN"));
  m_btnRead->setAccessibleDescription(T("IDS_SN_READ_DESCRIPTION"));
  m_edtSerial->setAccessibleName(T("IDS_SERIAL_NUMBER").trimmed());
  m_edtSerial->setAccessibleDescription(T("IDS_SN_EDIT_DESCRIPTION"));
  m_btnSet->setAccessibleName(T("IDS_SET_SN"));
  m_btnSet->setAccessibleDescription(T("IDS_SN_SET_DESCRIPTION"));

  connect(m_btnRead, &QPushButton::clicked, this, &SNSettingDlg::OnBnClickedRead);
  connect(m_btnSet, &QPushButton::clicked, this, &SNSettingDlg::OnBnClickedSet);
  connect(m_edtSerial, &QLineEdit::textChanged, this, &SNSettingDlg::OnEnChangeSerial);
  m_timer.setInterval(std::chrono::milliseconds(kTickMs));
  connect(&m_timer, &QTimer::timeout, this, &SNSettingDlg::OnTimer);

  m_stcNoCamera = new QLabel(T("IDS_SN_NO_CAMERA"), this);
  m_stcNoCamera->setAlignment(Qt::AlignCenter);
  m_stcNoCamera->setWordWrap(true);
  m_stcNoCamera->hide();
  Layout();
}

void SNSettingDlg::setVisible(bool visible) {
  const bool becomesVisible = visible && !isVisible();
  if (becomesVisible && !m_bCentred && parentWidget() != nullptr) {
    // Over the owner where it stands when the window first shows.
    m_bCentred = true;
    move(parentWidget()->frameGeometry().center() - rect().center());
  }
  QDialog::setVisible(visible);
  if (becomesVisible) OnBnClickedRead();
}

void SNSettingDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Layout();
}

void SNSettingDlg::Layout() {
  const int w = width();
  const int h = height();
  const QRect viewArea(0, 0, w, h - kStripHeight);
  if (m_wndScanView != nullptr) m_wndScanView->setGeometry(viewArea);
  if (m_stcNoCamera != nullptr) m_stcNoCamera->setGeometry(viewArea.adjusted(12, 12, -12, -12));
  if (m_btnRead == nullptr) return;
  // In the strip's height, centred and at most as high as the strip leaves room for.
  const auto place = [h](QWidget* control, int x, int width, int height) {
    height = std::min(height, kStripHeight - kControlGap);
    control->setGeometry(x, h - kStripHeight + (kStripHeight - height) / 2, width, height);
  };
  // Read keeps its size unless the font's dialog units make it run into the edit.
  place(m_btnRead, kReadX, std::min(m_btnRead->width(), kSerialX - kControlGap - kReadX),
        m_btnRead->height());
  place(m_edtSerial, kSerialX, m_edtSerial->width(), kSerialHeight);
  place(m_btnSet, kSetX, m_btnSet->width(), m_btnSet->height());
}

void SNSettingDlg::ShowCameraMissing(bool missing) {
  m_stcNoCamera->setVisible(missing && m_wndScanView == nullptr);
}

// ---------------------------------------------------------------------------------------------
// The operator's side

void SNSettingDlg::OnBnClickedRead() {
  Drive([this] { return m_flow.StartRead(); });
}

void SNSettingDlg::OnBnClickedSet() {
  const std::wstring text = m_edtSerial->text().toStdWString();
  Drive([this, text] { return m_flow.StartWrite(text); });
}

void SNSettingDlg::OnEnChangeSerial(const QString& text) {
  const QString trimmed = QString::fromStdWString(TrimAfterLastEquals(text.toStdWString()));
  if (trimmed != text) m_edtSerial->setText(trimmed);
}

void SNSettingDlg::OnTimer() {
  Drive([this] { return m_flow.Tick(); });
}

// ---------------------------------------------------------------------------------------------
// Robot and scanner events

void SNSettingDlg::OnReadSN(bool ok, const char* data, int len) {
  // The reply is valid only during this call.
  std::string bytes = data != nullptr && len > 0 ? std::string(data, len) : std::string();
  Drive([this, ok, bytes = std::move(bytes)] { return m_flow.OnReadReply(ok, bytes); });
}

void SNSettingDlg::OnWriteSN(bool ok, const char*, int) {
  Drive([this, ok] {
    // The robot holds the number from here on, whatever the read-back and the confirm say.
    if (ok && m_onSerialWritten) m_onSerialWritten(ZAVNarrowToUtf8(m_flow.SetSerial()));
    return m_flow.OnWriteReply(ok);
  });
}

void SNSettingDlg::OnScanResult(std::wstring text) {
  RunOnUiThread(this, [this, value = QString::fromStdWString(TrimAfterLastEquals(text))] {
    m_edtSerial->setText(value);
  });
}

void SNSettingDlg::OnScanWindow(std::wstring title) {
  RunOnUiThread(this, [this, title] { EmbedScanView(title); });
}

void SNSettingDlg::EmbedScanView(const std::wstring& title) {
  // Only an X11 window can be found by its title and taken in; elsewhere the area stays empty.
  if (m_wndScanView != nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return;
  const unsigned long id = FindX11WindowByTitle(title);
  if (id == 0) return;
  QWindow* view = QWindow::fromWinId(static_cast<WId>(id));
  if (view == nullptr) return;
  // Inside the container the view loses its frame and caption; zbar still owns and ends it.
  m_wndScanView = QWidget::createWindowContainer(view, this);
  m_wndScanView->setAccessibleName(T("IDS_SN_SCAN_VIEW"));
  m_wndScanView->setAccessibleDescription(T("IDS_SN_SCAN_VIEW_DESCRIPTION"));
  m_wndScanView->show();
  m_stcNoCamera->hide();
  Layout();
}

// ---------------------------------------------------------------------------------------------
// Carrying out the flow's actions

void SNSettingDlg::Drive(std::function<SnActions()> input) {
  while (input) {
    std::optional<SnAction> request;
    RunOnUiThreadAndWait(this, [&] { request = Apply(input()); });
    input = nullptr;
    if (!request) return;
    if (request->kind == SnAction::kVerify) {
      int result = kVerifyFailed;
      OffUiThread([&] { result = m_httpOper->VerifyEquipment(request->serial); });
      input = [this, result] { return m_flow.OnVerifyResult(result); };
    } else {
      bool ok = false;
      OffUiThread([&] { ok = m_httpOper->ConfirmEquipment(request->serial, request->mac); });
      input = [this, ok] { return m_flow.OnConfirmResult(ok); };
    }
  }
}

std::optional<SnAction> SNSettingDlg::Apply(const SnActions& actions) {
  for (const SnAction& action : actions) {
    switch (action.kind) {
      case SnAction::kLock:
        SetControlsEnabled(false);
        break;
      case SnAction::kUnlock:
        SetControlsEnabled(true);
        break;
      case SnAction::kStartTimer:
        m_timer.start();
        break;
      case SnAction::kStopTimer:
        m_timer.stop();
        break;
      case SnAction::kReadSN:
        // Without a session nothing is asked; the wait ends by its time-out.
        if (m_pSession != nullptr) m_pSession->SocketSession_ReadSN();
        break;
      case SnAction::kWriteSN:
        if (m_pSession != nullptr) m_pSession->SocketSession_WriteSN(action.bytes);
        break;
      case SnAction::kShowSerial:
        m_edtSerial->setText(QString::fromStdWString(action.serial));
        break;
      case SnAction::kMessage:
        ShowMessage(action.message);
        break;
      case SnAction::kDone:
        break;
      case SnAction::kVerify:
      case SnAction::kConfirm:
        return action;
    }
  }
  return std::nullopt;
}

void SNSettingDlg::ShowMessage(const SnMessage& message) {
  m_pPrompt->Show(this, Joined(message), T("AFX_IDS_APP_TITLE"),
                  MB_OK | (message.information ? MB_ICONINFORMATION : 0));
}

void SNSettingDlg::SetControlsEnabled(bool enabled) {
  m_btnRead->setEnabled(enabled);
  m_edtSerial->setEnabled(enabled);
  m_btnSet->setEnabled(enabled);
}

void SNSettingDlg::OffUiThread(const std::function<void()>& fn) {
  if (!OnThreadOf(this)) {
    fn();
    return;
  }
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  QEventLoop loop;
  std::thread helper([&] {
    fn();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  // Repaints, timers and posted work go on; user input waits until the request is over.
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  helper.join();
  QGuiApplication::restoreOverrideCursor();
}
