#include "session/CZAVSocketSessionImpl.h"

#include <climits>
#include <cstring>

#include "codec/Envelope.h"
#include "codec/Frame.h"
#include "codec/ServoCommand.h"
#include "platform/SeamCalls.h"
#include "session/ReplyDispatch.h"
#include "session/SocketFieldSource.h"

namespace servolink {

namespace {

// The pause of the receive loop after every frame it reads, good or skipped.
constexpr std::uint32_t kPassPauseMs = 100;

}  // namespace

CZAVSocketSessionImpl::CZAVSocketSessionImpl()
    : m_dwLastRecv(ZAVGetTickCount()), m_dwLastSend(m_dwLastRecv.load()) {}

CZAVSocketSessionImpl::~CZAVSocketSessionImpl() {
  EndRun();
  CloseLink();
  m_log.Close(m_strRobotName);
}

// ---------------------------------------------------------------------------------------------
// The caller's side

bool CZAVSocketSessionImpl::StartConnect(const char* ip, int timeoutSeconds, HWND notifyWindow,
                                         IZAVSocketSessionEvent* sink) {
  // An address that does not fit is refused before the running run is touched.
  if (ip == nullptr) return false;
  const std::size_t ipLength = ::strnlen(ip, sizeof m_szIP);
  if (ipLength == sizeof m_szIP) return false;

  EndRun();
  std::memcpy(m_szIP, ip, ipLength + 1);
  m_nTimeout = timeoutSeconds;
  m_hNotifyWnd = notifyWindow;
  m_bStop = false;
  m_pEvent = sink;
  m_sender.Start(this);
  m_log.Initial();
  if (StartThread()) return true;
  m_bStop = true;
  return false;
}

bool CZAVSocketSessionImpl::StopConnect() {
  // The threads end before the log closes, so "Connection is down!" stays the file's last line.
  EndRun();
  m_log.Close(m_strRobotName);
  return true;
}

void CZAVSocketSessionImpl::Release() {
  StopConnect();
  delete this;
}

void CZAVSocketSessionImpl::EndRun() {
  m_sender.Stop();
  // A receive thread that ended by itself is still joined here, so none is ever left behind.
  m_bStop = true;
  StopThread();
  EmptySendQueue();
}

bool CZAVSocketSessionImpl::SendData(const char* bytes, int len) {
  ZAVAutoLock hold(&m_lock);
  if (bytes == nullptr || len <= 0) return false;
  m_sendList.push_back(std::make_unique<CDataSend>(bytes, static_cast<std::uint32_t>(len)));
  m_dwLastSend = ZAVGetTickCount();
  return true;
}

std::size_t CZAVSocketSessionImpl::SendOnLink(const char* data, std::size_t size) {
  // Only a made connection takes bytes. While the connect is under way the socket exists, but a
  // send on it would consume the error that tells the receive thread the peer refused.
  return SendSome(m_bConnected ? m_socket.load() : kNoSocket, data, size);
}

void CZAVSocketSessionImpl::EmptySendQueue() {
  ZAVAutoLock hold(&m_lock);
  m_sendList.clear();
}

bool CZAVSocketSessionImpl::SendCmd(int cmd, const void* param) {
  if (param == nullptr) return false;
  std::string body;
  switch (cmd) {
    case CMD_SERVO:
      body = PackServoBody(*static_cast<const ServoCommand*>(param));
      break;
    case CMD_WRITE_SN:
    case CMD_READ_SN:
      body = PackTextBody(*static_cast<const std::string*>(param));
      break;
    default:
      return false;
  }
  const std::string frame = BuildFrame(PackEnvelope(cmd, body));
  if (frame.size() > static_cast<std::size_t>(INT_MAX)) return false;
  return SendData(frame.data(), static_cast<int>(frame.size()));
}

bool CZAVSocketSessionImpl::SendServoCommand(const ServoCommand& command) {
  m_log.Send(command.type, command.data, command.size);
  return SendCmd(CMD_SERVO, &command);
}

bool CZAVSocketSessionImpl::SocketSession_ReadServoInfo(int id) {
  return SendServoCommand(ServoCommand::ReadInfo(id));
}

bool CZAVSocketSessionImpl::SocketSession_ReadServoCaliAngel(int id) {
  return SendServoCommand(ServoCommand::ReadCaliAngle(id));
}

bool CZAVSocketSessionImpl::SocketSession_ReadCurrentAngel(int id) {
  return SendServoCommand(ServoCommand::ReadCurrentAngle(id));
}

bool CZAVSocketSessionImpl::SocketSession_SetCurrentAngel(int id, int angle, int time) {
  return SendServoCommand(ServoCommand::SetCurrentAngle(id, angle, time));
}

bool CZAVSocketSessionImpl::SocketSession_SetCaliAngel(int id, int value) {
  return SendServoCommand(ServoCommand::SetCaliAngle(id, value));
}

bool CZAVSocketSessionImpl::IsConnected() { return m_bConnected; }

bool CZAVSocketSessionImpl::SocketSession_ReadSN() {
  const std::string empty;
  return SendCmd(CMD_READ_SN, &empty);
}

bool CZAVSocketSessionImpl::SocketSession_WriteSN(const std::string& sn) {
  return SendCmd(CMD_WRITE_SN, &sn);
}

// ---------------------------------------------------------------------------------------------
// The receive thread

void CZAVSocketSessionImpl::ThreadProcMain() {
  if (ConnectToServer()) {
    if (!m_bStop) ReadLoop();
  } else {
    if (!m_bStop) PostState(ZAV_SESSION_ENDED, ZAV_SESSION_END_CONNECT_FAILED);
    m_bStop = true;
  }
  m_bConnected = false;
  // Also after a failed connect: a socket whose connect timed out is still half-way and could
  // not connect again, so every attempt starts from a new socket.
  CloseLink();
}

bool CZAVSocketSessionImpl::ConnectToServer() {
  sockaddr_in address;
  const bool addressValid = MakeIPv4Address(m_szIP, ZAV_ROBOT_PORT, &address);
  PostState(ZAV_SESSION_CONNECTING, 0);
  m_log.Connect("Connectting!");
  if (m_socket == kNoSocket) {
    const int socket = CreateTcpSocket();
    if (socket == kNoSocket) {
      m_log.Connect("Create Socket Failed!");
      return false;
    }
    m_socket = socket;
  }
  // Text that is no dotted IPv4 address fails like a connect that never completes; nothing is
  // sent anywhere for it.
  if (!addressValid || !ConnectWithTimeout(m_socket, address, m_nTimeout, &m_bStop)) {
    // A connect that StopConnect cut short did not time out: a requested end writes nothing.
    if (!m_bStop) m_log.Connect("Connect Timeout!");
    return false;
  }
  // A run stopped while its connect was under way ends quietly: no message at all.
  if (m_bStop) return false;
  m_bConnected = true;
  // Each end of a connect is posted before its line is written. No line is lost by that: the
  // program answers an end with StopConnect, which closes the log only after this thread ended.
  PostState(ZAV_SESSION_CONNECTED, 0);
  m_log.Connect("Connect Sucessed!");
  return true;
}

void CZAVSocketSessionImpl::ReadLoop() {
  SocketFieldSource source(m_socket, m_nTimeout, &m_bStop);
  std::string payload;
  for (;;) {
    // Before the read, never during it: a link kept busy by the robot alone carries heartbeats,
    // one that waits for the robot does not.
    if (m_bConnected) SendHeartbeatIfDue();
    const FrameReadResult result = ReadFrame(source, &payload);
    if (result == FrameReadResult::kFailed) {
      EndOnReadFailure();
      return;
    }
    if (result == FrameReadResult::kGood) {
      if (!payload.empty()) ParseMsg(payload.data(), static_cast<int>(payload.size()));
      m_dwLastRecv = ZAVGetTickCount();
    }
    if (ZAVTickInterval(m_dwLastRecv, ZAVGetTickCount()) >= kSilenceLimitMs) {
      EndOnSilence();
      return;
    }
    ZAVSleep(kPassPauseMs);
    if (m_bStop) return;
  }
}

void CZAVSocketSessionImpl::EndOnReadFailure() {
  m_bConnected = false;
  if (m_bStop) return;  // the read was cut short by a stop request: a requested end is silent
  PostState(ZAV_SESSION_ENDED, ZAV_SESSION_END_LINK_LOST);
  m_log.Connect("Connect Failed, error code 3!");
}

void CZAVSocketSessionImpl::EndOnSilence() {
  m_bStop = true;
  m_bConnected = false;
  PostState(ZAV_SESSION_ENDED, ZAV_SESSION_END_SILENCE);
  m_log.Connect("Connect Failed, error code 4!");
}

void CZAVSocketSessionImpl::SendHeartbeatIfDue() {
  const std::uint32_t now = ZAVGetTickCount();
  if (ZAVTickInterval(m_dwLastSend, now) < kHeartbeatIntervalMs) return;
  m_dwLastSend = now;
  const std::string heartbeat = BuildHeartbeatFrame();
  SendData(heartbeat.data(), static_cast<int>(heartbeat.size()));
}

void CZAVSocketSessionImpl::ParseMsg(char* data, int len) {
  if (data == nullptr || len <= 0) return;
  // A payload that does not decode raises nothing and is dropped; the frames after it are read
  // as usual, since the header already said where the next one starts.
  if (!DispatchPayload(data, static_cast<std::size_t>(len), m_pEvent, &m_log)) {
    m_log.Dropped(static_cast<std::size_t>(len));
  }
}

void CZAVSocketSessionImpl::PostState(WPARAM state, LPARAM reason) {
  if (m_hNotifyWnd != nullptr) m_hNotifyWnd->PostMessage(WM_SESSION_STATE, state, reason);
}

void CZAVSocketSessionImpl::CloseLink() {
  const int socket = m_socket;
  if (socket == kNoSocket) return;
  ShutdownSocket(socket);
  // Under the queue lock, so the send thread is never inside a send on the descriptor when it
  // is closed (and perhaps handed to a file opened at the same moment).
  ZAVAutoLock hold(&m_lock);
  m_socket = kNoSocket;
  CloseSocket(socket);
}

}  // namespace servolink
