#pragma once

// ZAVServoSocket: the robot link. This header is everything that crosses from the library to the
// program: the session and discovery interfaces, their callbacks, the posted state message, the
// factories, and the three seams (notify window, UI host, clock).
//
// Ownership: objects made by a factory belong to the caller and are ended by their own Release,
// never deleted from outside. Callback objects belong to the program; the library never frees
// them. Texts passed as arguments are copied by the library.

#include <list>
#include <string>

#include "platform/Clock.h"
#include "platform/NotifyWindow.h"
#include "platform/UiHost.h"
#include "platform/ZAVExport.h"

// ---------------------------------------------------------------------------------------------
// Command session with one robot (TCP port 6102)

// Posted (never sent) to the notify window of a session, wParam the state and, with
// ZAV_SESSION_ENDED, lParam the reason. A run ended by StopConnect posts nothing.
constexpr unsigned int WM_SESSION_STATE = WM_USER + 100;
constexpr WPARAM ZAV_SESSION_CONNECTING = 1;
constexpr WPARAM ZAV_SESSION_CONNECTED = 2;
constexpr WPARAM ZAV_SESSION_ENDED = 3;
// Reasons of ZAV_SESSION_ENDED. The session itself never ends with ZAV_SESSION_END_FAILED; a
// window that receives it shows a failure to connect.
constexpr LPARAM ZAV_SESSION_END_FAILED = 0;
constexpr LPARAM ZAV_SESSION_END_CONNECT_FAILED = 1;
constexpr LPARAM ZAV_SESSION_END_LINK_LOST = 3;
constexpr LPARAM ZAV_SESSION_END_SILENCE = 4;  // twenty minutes without a good frame

// The robot's command port; every session connects here.
constexpr int ZAV_ROBOT_PORT = 6102;

// Replies of the robot. Called on the session's receive thread, one at a time, in the order the
// frames arrive; the next frame is not read before a handler returns. A handler must not call
// StopConnect or Release on the session that calls it.
class IZAVSocketSessionEvent {
 public:
  // Reply to SocketSession_ReadServoCaliAngel. value is 0 when !ok.
  virtual void OnReadServoCaliAngel(bool ok, int id, int value) = 0;
  // Reply to SocketSession_ReadCurrentAngel. angle is 0 when !ok.
  virtual void OnReadCurrentAngel(bool ok, int id, int angle) = 0;
  // Reply to SocketSession_SetCaliAngel.
  virtual void OnSetCaliAngel(bool ok, int id) = 0;
  // Reply to SocketSession_ReadSN: ok when the text is not empty. text holds len bytes and a
  // terminating zero, valid only during the call.
  virtual void OnReadSN(bool ok, const char* text, int len) = 0;
  // Reply to SocketSession_WriteSN: ok when the text starts with "0". text as for OnReadSN.
  virtual void OnWriteSN(bool ok, const char* text, int len) = 0;

 protected:
  ~IZAVSocketSessionEvent() = default;
};

class CIZAVSocketSession {
 public:
  // Ends any earlier run silently, then starts a new one: a new log file, the send thread, and
  // the receive thread that connects to ip:6102 (dotted IPv4, at most 99 characters) waiting at
  // most timeoutSeconds for the connect and for each read. The outcome arrives as
  // WM_SESSION_STATE on notifyWindow; sink receives the replies. Returns true when the receive
  // thread was started; false for a null ip or one that does not fit, and then the running run
  // is left as it was. Text that is no dotted IPv4 address ends the run with
  // ZAV_SESSION_END_CONNECT_FAILED.
  virtual bool StartConnect(const char* ip, int timeoutSeconds, HWND notifyWindow,
                            IZAVSocketSessionEvent* sink) = 0;
  // Ends the run: closes and renames the log, stops both threads, drops queued frames. Posts
  // nothing. Always true; a no-op on a session that was never started.
  virtual bool StopConnect() = 0;
  // StopConnect, then destroys the object.
  virtual void Release() = 0;
  // Queues one complete frame of len bytes (copied). False, with nothing queued, when bytes is
  // null or len is not positive. Frames queued while no link is up wait for it.
  virtual bool SendData(const char* bytes, int len) = 0;
  // The servo commands. Each queues one frame and returns true; only the low 8 (ids, values'
  // bytes) or 16 bits (angle, time, value) travel. Their replies arrive as events.
  virtual bool SocketSession_ReadServoInfo(int id) = 0;
  virtual bool SocketSession_ReadServoCaliAngel(int id) = 0;
  virtual bool SocketSession_ReadCurrentAngel(int id) = 0;
  virtual bool SocketSession_SetCurrentAngel(int id, int angle, int time) = 0;
  virtual bool SocketSession_SetCaliAngel(int id, int value) = 0;
  // True from the connected message until the run ends.
  virtual bool IsConnected() = 0;
  // Serial number: read, and write sn; replies arrive as OnReadSN and OnWriteSN.
  virtual bool SocketSession_ReadSN() = 0;
  virtual bool SocketSession_WriteSN(const std::string& sn) = 0;

 protected:
  ~CIZAVSocketSession() = default;
};

// Makes one session (not started). On success stores it in *out and returns true; when memory
// runs out returns false and leaves *out unchanged.
extern "C" ZAV_EXPORT bool CreateZAVSocketSession(CIZAVSocketSession** out);

// Every run of a session writes a log file "Log/LogY-M-D/Y-M-D(h_m_s).log", renamed to
// "...(h_m_s)_ID(<robot>).log" when the run ends. With a tag, the files of this process are
// "Y-M-D(h_m_s)_<tag>.log" and "Y-M-D(h_m_s)_<tag>_ID(<robot>).log" instead, so that processes
// started in the same second each keep a file of their own: a program that may run many times
// side by side (a command-line tool) passes something unique to the process, such as its id; a
// program that runs once at a time keeps the plain name. Characters other than ASCII letters,
// digits, '-' and '_' become '_'. Null or empty: the plain name again. Takes effect at the next
// StartConnect; tag is copied.
extern "C" ZAV_EXPORT void ZAVSetSessionLogTag(const char* tag);

// ---------------------------------------------------------------------------------------------
// Robot discovery (UDP port 6000)

constexpr int ZAV_DISCOVERY_PORT = 6000;

// One robot as its discovery reply describes it. The texts arrive as 8-bit bytes and are
// widened byte for byte as UTF-8.
struct __DevInfo {
  std::wstring strName;
  std::wstring strVersion;
  std::wstring strIP;
  std::wstring strMAC;
};

class IZAVBroadcastEvent {
 public:
  // Called on the discovery thread for every reply, repeats included; the record is the
  // receiver's own copy.
  virtual void OnFoundDevice(__DevInfo info) = 0;

 protected:
  ~IZAVBroadcastEvent() = default;
};

class CIZAVBroadcastSocket {
 public:
  // Binds UDP 0.0.0.0:6000 (without address reuse) and starts the discovery thread, which sends
  // one search request at once. A null sink keeps the one stored before. False when a socket
  // cannot be made, the port is held (by another discovery object or any other program), or the
  // thread cannot start. Called once per object.
  virtual bool StartBroadcast(HWND owner, IZAVBroadcastEvent* sink) = 0;
  // Stops the thread (dispatching the caller's messages while it waits, so a delivery in
  // progress can finish), closes the sockets, frees the device list and destroys the object.
  virtual bool Release() = 0;
  // Sends len bytes as one datagram to 255.255.255.255:6000. False when not started, data is
  // null or len is not positive.
  virtual bool SendData(const char* data, int len) = 0;
  // cmd 1 only: sends the search request carrying *text, deletes text and returns true. Any
  // other cmd: false, nothing sent, text stays the caller's.
  virtual bool SendCmd(int cmd, std::string* text) = 0;
  // Broadcasts one search request. 1 when sent, -1 when not started.
  virtual int SearchDevice() = 0;
  // The device list (nothing in the library fills it), or null when it is empty.
  virtual std::list<__DevInfo*>* GetDevList() = 0;
  // Deletes every record of the device list.
  virtual void ClearDevList() = 0;

 protected:
  ~CIZAVBroadcastSocket() = default;
};

// Makes one discovery object (not started). As CreateZAVSocketSession.
extern "C" ZAV_EXPORT bool CreateZAVBroadcastSocket(CIZAVBroadcastSocket** out);
