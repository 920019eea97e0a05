#pragma once

#include <cstddef>

#include "ZAVServoSocket.h"

namespace servolink {

class SessionLog;

// Decodes one received payload (the bytes after a frame header) and raises the event its reply
// stands for on sink:
//   servo reply 0x06 -> OnReadCurrentAngel, 0x0C -> OnSetCaliAngel, 0x0D -> OnReadServoCaliAngel;
//   serial-number replies -> OnReadSN / OnWriteSN, with the text followed by a zero byte.
// Every decoded servo reply is written to log first. A servo reply shorter than its layout, a
// reply of another servo type and any other command raise nothing. sink and log may be null.
// False when the payload does not decode (not MessagePack, or values of the wrong types); then
// nothing is raised or logged.
bool DispatchPayload(const char* data, std::size_t size, IZAVSocketSessionEvent* sink,
                     SessionLog* log);

}  // namespace servolink
