#pragma once

#include <array>

class DialogUnits;
class QWidget;

// The main window's template as data: its size, and every control with its caption, icon,
// tooltip, place and whether it stays hidden. Texts are string-ID keys, looked up when the
// control is made.

// Control ids of the main window.
constexpr int IDC_MAIN_EXIT = 1;
constexpr int IDC_MAIN_COMMAND_GROUP = 1005;
constexpr int IDC_MAIN_CONNECT = 1006;
constexpr int IDC_MAIN_RESET = 1007;
constexpr int IDC_MAIN_CALIBRATE = 1008;
constexpr int IDC_MAIN_ABOUT = 1009;
constexpr int IDC_MAIN_SELECT_ALL = 1010;
constexpr int IDC_MAIN_READ_CHECK = 1013;
constexpr int IDC_MAIN_READ_ANGLE = 1015;
constexpr int IDC_MAIN_SPARE = 1016;
constexpr int IDC_MAIN_MESSAGE = 1018;
constexpr int IDC_MAIN_STATUS = 1020;
constexpr int IDC_MAIN_SERIAL_NUMBER = 1023;
constexpr int IDC_MAIN_LANGUAGE = 1024;

// The template: 428 by 166 dialog units in a 12 point font. The widgets themselves use the
// desktop's font, so captions stay readable at the template's geometry.
constexpr int kMainWindowFontPoints = 12;
constexpr int kMainWindowWidth = 428;
constexpr int kMainWindowHeight = 166;

enum class MainControlKind {
  kGroupBox,
  kButton,    // a flat button with a 24 by 24 icon beside its caption
  kCheckBox,
  kMessageBar,
  kStatusLine,
};

struct MainControl {
  int id;
  MainControlKind kind;
  const char* captionKey;  // null: no caption
  int icon;                // resource number; 0: none
  const char* tooltipKey;  // null: no tooltip
  const char* shortcut;    // keys in portable text, named in the tooltip; null: none
  int x, y, width, height; // dialog units
  bool hidden;             // for the whole run
};

// Every control, in the order they are made, which is also their tab order. The shortcuts are
// Alt and a letter of the English caption, the same in every language.
extern const std::array<MainControl, 14> kMainControls;

// The entry of control id in kMainControls.
const MainControl& MainControlOf(int id);

// Makes control inside parent, named by its id and placed by du, with its texts, icon and
// hidden state.
QWidget* MakeMainControl(QWidget* parent, const MainControl& control, const DialogUnits& du);
