#pragma once

#include <QString>
#include <array>
#include <optional>

#include "ZAVServoSocket.h"
#include "calibration/MainWindowLayout.h"

// The connection cycle's decisions, without widgets: what the main window enables and how its
// Connect button looks for a connection type, and the texts a session's messages bring.

// The commands that act on a connected robot; enabled and disabled with the connection.
constexpr std::array<int, 6> kConnectionCommands = {IDC_MAIN_READ_CHECK, IDC_MAIN_RESET,
                                                    IDC_MAIN_SPARE,      IDC_MAIN_CALIBRATE,
                                                    IDC_MAIN_READ_ANGLE, IDC_MAIN_SERIAL_NUMBER};

struct ConnectButtonLook {
  const char* captionKey;
  int icon;
  const char* tooltipKey;
};

// The window's state for connection type mode (CONNECT_NONE, CONNECT_WIFI, CONNECT_USB).
struct ConnectionUi {
  // The connection commands and every servo panel take input.
  bool commandsEnabled;
  // The serial number window closes.
  bool hideSerialNumberWindow;
  // The Connect button's caption, icon and tooltip; none for an unknown mode, which leaves the
  // button as it is.
  std::optional<ConnectButtonLook> connectButton;
};
ConnectionUi ConnectionUiFor(int mode);

// Status line once a session is connected: the connection type's tip, the robot's name, two
// spaces, the IP label, the IP, the port label and the port in decimal. Empty for a type that is
// neither Wi-Fi nor USB.
QString ConnectedStatusLine(int connectType, const QString& devName, const QString& ip,
                            int port);

// String-ID key of the idle message once connected, or null for a type that is neither.
const char* ConnectedMessageKey(int connectType);

// String-ID key of the idle message when a run ended with reason (lParam of ZAV_SESSION_ENDED).
const char* EndedMessageKey(LPARAM reason);
