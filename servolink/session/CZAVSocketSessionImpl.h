#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "ZAVCritSec.h"
#include "ZAVServoSocket.h"
#include "session/SessionLog.h"
#include "session/TcpSocket.h"
#include "thread/CDataSend.h"
#include "thread/CProcessSendData.h"
#include "thread/ISendQueueOwner.h"
#include "thread/ZAVThread.h"

namespace servolink {

struct ServoCommand;

// The command session with one robot. The receive thread (this object's own ZAVThread) connects,
// reads frames, raises the replies' events, sends heartbeats and notices the end of the link;
// the send thread (m_sender) drains the send queue into the socket. Each run, from StartConnect
// to StopConnect, writes its own log file.
class CZAVSocketSessionImpl : public CIZAVSocketSession,
                              public ZAVThread,
                              private ISendQueueOwner {
 public:
  // A run ends when this long has passed without a good frame, although frames keep arriving.
  static constexpr std::uint32_t kSilenceLimitMs = 1200000;
  // A heartbeat goes out when this long has passed without a queued frame.
  static constexpr std::uint32_t kHeartbeatIntervalMs = 2000;

  CZAVSocketSessionImpl();

  // Builds one frame for cmd and queues it. param is a ServoCommand for CMD_SERVO and a
  // std::string (the text) for CMD_WRITE_SN and CMD_READ_SN. True once queued; false for another
  // cmd or a null param. Raises std::bad_alloc when memory runs out.
  virtual bool SendCmd(int cmd, const void* param);

  // Stops both threads and frees every queued frame. Posts nothing.
  ~CZAVSocketSessionImpl() override;

  bool StartConnect(const char* ip, int timeoutSeconds, HWND notifyWindow,
                    IZAVSocketSessionEvent* sink) override;
  bool StopConnect() override;
  void Release() override;
  bool SendData(const char* bytes, int len) override;
  bool SocketSession_ReadServoInfo(int id) override;
  bool SocketSession_ReadServoCaliAngel(int id) override;
  bool SocketSession_ReadCurrentAngel(int id) override;
  bool SocketSession_SetCurrentAngel(int id, int angle, int time) override;
  bool SocketSession_SetCaliAngel(int id, int value) override;
  bool IsConnected() override;
  bool SocketSession_ReadSN() override;
  bool SocketSession_WriteSN(const std::string& sn) override;

  // The receive thread: one connect attempt, then the read loop until the run ends.
  void ThreadProcMain() override;

  // Decodes one received payload and raises its event on the sink of the run. A payload that
  // does not decode is dropped; the loop reads on.
  void ParseMsg(char* data, int len);

 private:
  // ISendQueueOwner: what the send thread m_sender serves.
  ZAVCritSec& SendLock() override { return m_lock; }
  std::list<std::unique_ptr<CDataSend>>& SendQueue() override { return m_sendList; }
  std::size_t SendOnLink(const char* data, std::size_t size) override;

  // Steps shared by StartConnect and StopConnect: both threads stopped, the queue emptied.
  void EndRun();
  bool ConnectToServer();
  void ReadLoop();
  void EndOnReadFailure();
  void EndOnSilence();
  void SendHeartbeatIfDue();
  bool SendServoCommand(const ServoCommand& command);
  void PostState(WPARAM state, LPARAM reason);
  void EmptySendQueue();
  void CloseLink();

  std::atomic<bool> m_bStop{true};
  std::atomic<int> m_socket{kNoSocket};
  int m_nTimeout = 30;
  HWND m_hNotifyWnd = nullptr;
  char m_szIP[100] = {};
  std::list<std::unique_ptr<CDataSend>> m_sendList;
  ZAVCritSec m_lock;
  std::atomic<bool> m_bConnected{false};
  CProcessSendData m_sender;
  std::atomic<std::uint32_t> m_dwLastRecv;
  std::atomic<std::uint32_t> m_dwLastSend;
  IZAVSocketSessionEvent* m_pEvent = nullptr;
  SessionLog m_log;  // the logger and the path of the open file
  const std::wstring m_strRobotName = L"Vorla2_0001";
};

}  // namespace servolink
