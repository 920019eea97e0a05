#include <new>

#include "ZAVServoSocket.h"
#include "session/CZAVSocketSessionImpl.h"

extern "C" ZAV_EXPORT bool CreateZAVSocketSession(CIZAVSocketSession** out) {
  if (out == nullptr) return false;
  try {
    *out = new servolink::CZAVSocketSessionImpl;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}
