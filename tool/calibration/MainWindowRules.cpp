#include "calibration/MainWindowRules.h"

#include <algorithm>

#include "calibration/CalibrationMessages.h"

namespace {
constexpr int kIdleIndent = 39;
}

QString IdleBarText(const QString& text) { return QString(kIdleIndent, QLatin1Char(' ')) + text; }

std::optional<bool> SelectAllAfterPanelChange(WPARAM change, const std::vector<bool>& boxes) {
  if (change == SERVO_CHECK_CLEARED) return false;
  if (change == SERVO_CHECK_CHECKED) {
    return std::all_of(boxes.begin(), boxes.end(), [](bool b) { return b; });
  }
  return std::nullopt;
}

QString StatusLineAfterUsbEvent(const QString& line, const QString& eventText) {
  const qsizetype bracket = line.indexOf(QLatin1Char('('));
  return (bracket < 0 ? line : line.left(bracket)) + eventText;
}
