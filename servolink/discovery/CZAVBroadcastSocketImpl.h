#pragma once

#include <netinet/in.h>

#include <atomic>
#include <list>
#include <string>

#include "ZAVCritSec.h"
#include "ZAVServoSocket.h"
#include "thread/ZAVThread.h"

namespace servolink {

// The discovery object: two UDP sockets on port 6000 and the discovery thread, which is this
// object's own ThreadProcMain. Made by CreateZAVBroadcastSocket and ended by Release only.
class CZAVBroadcastSocketImpl final : public ZAVThread, public CIZAVBroadcastSocket {
 public:
  CZAVBroadcastSocketImpl();

  bool StartBroadcast(HWND owner, IZAVBroadcastEvent* sink) override;
  bool Release() override;
  bool SendData(const char* data, int len) override;
  bool SendCmd(int cmd, std::string* text) override;
  int SearchDevice() override;
  std::list<__DevInfo*>* GetDevList() override;
  void ClearDevList() override;

  // The receive loop: one search request, then one datagram per turn until the running flag is
  // cleared or the receive socket is gone.
  void ThreadProcMain() override;

  // How long the loop rests, through the clock seam.
  static constexpr unsigned int kIdleWaitMs = 500;   // no datagram was waiting
  static constexpr unsigned int kTurnWaitMs = 100;   // after a datagram, an error or 0 bytes

 private:
  // Only Release destroys the object.
  ~CZAVBroadcastSocketImpl() override;

  void CloseSockets();

  int m_receiveSocket = -1;
  int m_sendSocket = -1;
  ZAVCritSec m_lock;
  sockaddr_in m_sender{};
  sockaddr_in m_broadcastAddr{};
  std::atomic<bool> m_bRunning{false};
  std::list<__DevInfo*> m_devList;
  IZAVBroadcastEvent* m_pEvent = nullptr;
  int m_nPort = ZAV_DISCOVERY_PORT;
  HWND m_hOwner = nullptr;
};

}  // namespace servolink
