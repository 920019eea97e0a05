#pragma once

#include "ZAVServoSocket.h"

// Private messages of the main calibration window. All are posted through IZAVNotifyWindow and
// handled on the user-interface thread in posting order (WM_SESSION_STATE comes from the link
// library's header).

// From the USB link worker: wParam whether a robot on USB is ready; lParam 0.
constexpr unsigned int WM_USB_ADB_STATE = WM_USER + 105;
constexpr WPARAM USB_ADB_READY = 1;
constexpr WPARAM USB_ADB_NOT_READY = 2;
// Accepted for compatibility; nothing in this program posts it. wParam the connection it
// announces.
constexpr unsigned int WM_CONNECT_NOTICE = WM_USER + 1201;
constexpr WPARAM CONNECT_NOTICE_USB = 0;
constexpr WPARAM CONNECT_NOTICE_WIFI = 1;
// From a servo panel: wParam what became of its selection box; lParam the servo id.
constexpr unsigned int WM_SERVO_CHECK_CHANGED = WM_USER + 1202;
constexpr WPARAM SERVO_CHECK_CHECKED = 0;
constexpr WPARAM SERVO_CHECK_CLEARED = 1;

// Connection types of the main window (m_nConnectType).
constexpr int CONNECT_NONE = 0;
constexpr int CONNECT_WIFI = 1;
constexpr int CONNECT_USB = 2;

// The data model holds at most this many servos; more in Config.ini are cut to the first ones.
constexpr int MAX_SERVO_NUM = 20;

// Seconds a session waits for its connect and for each read.
constexpr int CONNECT_TIMEOUT_SECONDS = 10;

// Address of the robot whose port 6102 is forwarded over USB.
constexpr const char* USB_ROBOT_IP = "127.0.0.1";
