#include "calibration/MainWindowLayout.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>
#include <algorithm>

#include "app/ButtonShortcut.h"
#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/Text.h"
#include "calibration/CaltrimIcons.h"
#include "calibration/MessageBar.h"

namespace {

using K = MainControlKind;
const QSize kIconSize(24, 24);

QToolButton* MakeButton(QWidget* parent, const MainControl& control) {
  auto* button = new QToolButton(parent);
  if (control.icon != 0) button->setIcon(CaltrimIcon(control.icon));
  button->setIconSize(kIconSize);
  button->setToolButtonStyle(control.icon != 0 ? Qt::ToolButtonTextBesideIcon
                                               : Qt::ToolButtonTextOnly);
  button->setAutoRaise(true);
  return button;
}

QWidget* MakeWidget(QWidget* parent, const MainControl& control) {
  switch (control.kind) {
    case K::kGroupBox:
      return new QGroupBox(parent);
    case K::kButton:
      return MakeButton(parent, control);
    case K::kCheckBox:
      return new QCheckBox(parent);
    case K::kMessageBar:
      return new MessageBar(parent);
    case K::kStatusLine: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
  }
  return new QWidget(parent);
}

}  // namespace

// clang-format off
const std::array<MainControl, 14> kMainControls = {{
  // id                      kind            caption                 icon             tooltip                               keys     x    y    w    h  hidden
  {IDC_MAIN_COMMAND_GROUP,   K::kGroupBox,   nullptr,                0,               nullptr,                              nullptr,  0,   0,  53, 156, false},
  {IDC_MAIN_ABOUT,           K::kButton,     "IDS_ABOUT",            IDI_INFORMATION, "IDS_ABOUT_TIP",                      "Alt+A",  1,   7,  50,  14, false},
  {IDC_MAIN_CONNECT,         K::kButton,     "IDS_CONNECT_ROBOT",    IDI_PLUG,        "IDS_CONNECT_TO_ROBOT",               "Alt+C",  1,  29,  50,  14, false},
  {IDC_MAIN_READ_CHECK,      K::kButton,     "IDS_READ_CHECK",       IDI_REFRESH,     "IDS_READ_CURRENT_CALIBRATION_VALUE", "Alt+O",  1,  51,  50,  14, false},
  {IDC_MAIN_RESET,           K::kButton,     "IDS_RESET",            IDI_TURN,        "IDS_ROBOT_RESET",                    "Alt+R",  1,  73,  50,  14, false},
  {IDC_MAIN_CALIBRATE,       K::kButton,     "IDS_CALIBRATION",      IDI_TICK,        "IDS_CALIBRATE_ANGLE_OFFSET",         "Alt+B",  1,  95,  50,  14, false},
  {IDC_MAIN_SELECT_ALL,      K::kCheckBox,   "IDS_ALL_SELECT",       0,               "IDS_ALL_SELECT_TIP",                 "Alt+S",  7, 112,  41,   8, false},
  {IDC_MAIN_SERIAL_NUMBER,   K::kButton,     "IDS_SERIAL_NUMBER",    IDI_SERIAL,      "IDS_READ_WRITE_SERRIAL",             "Alt+N",  1, 123,  50,  14, true},
  {IDC_MAIN_EXIT,            K::kButton,     "IDS_EXIT",             IDI_CROSS,       "IDS_EXIT_PROGRAM",                   "Alt+X",  1, 142,  50,  14, false},
  {IDC_MAIN_READ_ANGLE,      K::kButton,     "IDS_READ_ANGLE",       IDI_ANGLE,       "IDS_READ_CURRENT_ANGLE",             "Alt+G", 76,   8,  39,  13, true},
  {IDC_MAIN_LANGUAGE,        K::kButton,     "IDS_LANGUAGE_SETTING", 0,               "IDS_SURE_LANGUAGE",                  "Alt+L",124,   7,  48,  12, true},
  {IDC_MAIN_SPARE,           K::kButton,     nullptr,                0,               nullptr,                              nullptr,362, 143,  46,  13, true},
  {IDC_MAIN_MESSAGE,         K::kMessageBar, nullptr,                0,               nullptr,                              nullptr, 53, 144, 374,  11, false},
  {IDC_MAIN_STATUS,          K::kStatusLine, nullptr,                0,               nullptr,                              nullptr, 13, 156, 413,   8, false},
}};
// clang-format on

const MainControl& MainControlOf(int id) {
  return *std::find_if(kMainControls.begin(), kMainControls.end(),
                       [id](const MainControl& control) { return control.id == id; });
}

QWidget* MakeMainControl(QWidget* parent, const MainControl& control, const DialogUnits& du) {
  QWidget* widget = MakeWidget(parent, control);
  SetControlId(widget, control.id);
  if (control.captionKey != nullptr) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(T(control.captionKey));
  }
  if (control.tooltipKey != nullptr) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      SetButtonShortcut(button, control.shortcut, T(control.tooltipKey));
    } else {
      widget->setToolTip(T(control.tooltipKey));
    }
  }
  widget->setGeometry(du.Rect(control.x, control.y, control.width, control.height));
  if (control.hidden) widget->hide();
  return widget;
}
