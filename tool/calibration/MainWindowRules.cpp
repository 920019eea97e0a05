#include "calibration/MainWindowRules.h"

#include <algorithm>

#include "app/Text.h"
#include "calibration/CalibrationMessages.h"

namespace {
constexpr int kIdleIndent = 39;
}

const char* ConnectedMessageKey(int connectType) {
  switch (connectType) {
    case CONNECT_WIFI:
      return "IDS_CONNECT_ROBOT_SUCCESS";
    case CONNECT_USB:
      return "IDS_USB_CONNECT_ROBOT_SUCCESS";
    default:
      return nullptr;
  }
}

QString ConnectedStatusLine(int connectType, const QString& devName, const QString& ip,
                            int port) {
  const char* tipKey = nullptr;
  if (connectType == CONNECT_WIFI) tipKey = "IDS_WIFI_CONNECT_SUCCESS_TIP";
  if (connectType == CONNECT_USB) tipKey = "IDS_USB_CONNECT_SUCCESS_TIP";
  if (tipKey == nullptr) return QString();
  return T(tipKey) + devName + QStringLiteral("  ") + T("IDS_DEVICE_IP_ADDRESS") + ip +
         T("IDS_PORT_NUMBER") + QString::number(port);
}

const char* EndedMessageKey(LPARAM reason) {
  return reason == ZAV_SESSION_END_FAILED ? "IDS_CONNECT_FAIL" : "IDS_CONNECT_DISCONNECTED";
}

QString IdleBarText(const QString& text) { return QString(kIdleIndent, QLatin1Char(' ')) + text; }

std::optional<bool> SelectAllAfterPanelChange(WPARAM change, const std::vector<bool>& boxes) {
  if (change == SERVO_CHECK_CLEARED) return false;
  if (change == SERVO_CHECK_CHECKED) return std::all_of(boxes.begin(), boxes.end(), [](bool b) { return b; });
  return std::nullopt;
}

QString StatusLineAfterUsbEvent(const QString& line, const QString& eventText) {
  const qsizetype bracket = line.indexOf(QLatin1Char('('));
  return (bracket < 0 ? line : line.left(bracket)) + eventText;
}
