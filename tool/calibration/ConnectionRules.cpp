#include "calibration/ConnectionRules.h"

#include "app/Text.h"
#include "calibration/CalibrationMessages.h"
#include "calibration/CaltrimIcons.h"

ConnectionUi ConnectionUiFor(int mode) {
  ConnectionUi ui;
  ui.commandsEnabled = mode != CONNECT_NONE;
  ui.hideSerialNumberWindow = mode == CONNECT_NONE;
  if (mode == CONNECT_NONE) {
    ui.connectButton = ConnectButtonLook{"IDS_CONNECT_ROBOT", IDI_PLUG, "IDS_CONNECT_TO_ROBOT"};
  } else if (mode == CONNECT_WIFI || mode == CONNECT_USB) {
    ui.connectButton = ConnectButtonLook{"IDS_DISCONNECT", IDI_UNPLUGGED, "IDS_DISCONNECT_ROBOT"};
  }
  return ui;
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
