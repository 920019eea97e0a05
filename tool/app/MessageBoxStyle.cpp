#include "app/MessageBoxStyle.h"

#include <QAbstractButton>
#include <QMessageBox>

#include "ZAVServoSocket.h"
#include "app/ControlId.h"

namespace {

constexpr unsigned int kButtonMask = 0x0F;
constexpr unsigned int kIconMask = 0xF0;

QMessageBox::StandardButtons ButtonsForStyle(unsigned int style) {
  switch (style & kButtonMask) {
    case MB_OKCANCEL:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MB_YESNOCANCEL:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
      return QMessageBox::Yes | QMessageBox::No;
    default:
      return QMessageBox::Ok;
  }
}

QMessageBox::Icon IconForStyle(unsigned int style) {
  switch (style & kIconMask) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int AnswerForButton(QMessageBox::StandardButton button) {
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

}  // namespace

int ExecMessageBox(QWidget* owner, const QString& text, const QString& caption,
                   unsigned int style) {
  const QMessageBox::StandardButtons buttons = ButtonsForStyle(style);
  QMessageBox box(IconForStyle(style), caption, text, buttons, owner);
  box.setDefaultButton(buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
  // Each button carries the id of its answer as its control id, so the control report shows it.
  for (QAbstractButton* button : box.buttons()) {
    SetControlId(button, AnswerForButton(box.standardButton(button)));
  }
  return AnswerForButton(static_cast<QMessageBox::StandardButton>(box.exec()));
}
