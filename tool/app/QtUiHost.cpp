#include "app/QtUiHost.h"

#include <QApplication>
#include <QThread>

#include "app/PumpPostedEvents.h"

namespace {

// Button groups of the style's low four bits, as message box styles number them.
constexpr unsigned int kButtonMask = 0xF;
constexpr unsigned int kOkCancel = 0x1;
constexpr unsigned int kYesNoCancel = 0x3;
constexpr unsigned int kIconMask = 0xF0;
constexpr unsigned int kIconError = 0x10;
constexpr unsigned int kIconQuestion = 0x20;

}  // namespace

QtUiHost::QtUiHost(QObject* parent) : QObject(parent) {}

bool QtUiHost::OnUiThread() const { return QThread::currentThread() == thread(); }

void QtUiHost::PumpMessages() {
  if (OnUiThread()) PumpPostedEvents();
}

int QtUiHost::MessageBox(const std::string& text, const std::string& caption,
                         unsigned int style) {
  const QString qtext = QString::fromStdString(text);
  const QString qcaption = QString::fromStdString(caption);
  if (OnUiThread()) return ShowBox(qtext, qcaption, style);
  int answer = IDCANCEL;
  QMetaObject::invokeMethod(
      this, [&] { return ShowBox(qtext, qcaption, style); }, Qt::BlockingQueuedConnection,
      &answer);
  return answer;
}

QMessageBox::StandardButtons QtUiHost::ButtonsFor(unsigned int style) {
  switch (style & kButtonMask) {
    case kOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case kYesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
      return QMessageBox::Yes | QMessageBox::No;
    default:
      return QMessageBox::Ok;
  }
}

QMessageBox::Icon QtUiHost::IconFor(unsigned int style) {
  switch (style & kIconMask) {
    case kIconError:
      return QMessageBox::Critical;
    case kIconQuestion:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int QtUiHost::AnswerFor(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok:
      return IDOK;
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    default:
      return IDCANCEL;
  }
}

int QtUiHost::ShowBox(const QString& text, const QString& caption, unsigned int style) {
  QMessageBox box(IconFor(style), caption, text, ButtonsFor(style), QApplication::activeWindow());
  return AnswerFor(static_cast<QMessageBox::StandardButton>(box.exec()));
}
