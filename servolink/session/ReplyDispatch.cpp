#include "session/ReplyDispatch.h"

#include <cstdint>
#include <string>

#include "codec/Envelope.h"
#include "codec/ServoCommand.h"
#include "session/SessionLog.h"

namespace servolink {

namespace {

void RaiseServoEvent(const ServoReply& reply, IZAVSocketSessionEvent* sink) {
  ServoReplyFields fields;
  switch (reply.type) {
    case SERVO_READ_CURRENT_ANGLE:
      if (DecodeServoReplyFields(reply.data, true, &fields))
        sink->OnReadCurrentAngel(fields.ok, fields.id, fields.value);
      break;
    case SERVO_SET_CALI_ANGLE:
      if (DecodeServoReplyFields(reply.data, false, &fields)) sink->OnSetCaliAngel(fields.ok, fields.id);
      break;
    case SERVO_READ_CALI_ANGLE:
      if (DecodeServoReplyFields(reply.data, true, &fields))
        sink->OnReadServoCaliAngel(fields.ok, fields.id, fields.value);
      break;
    default:
      break;  // answered commands without an event: the log line is all they leave
  }
}

bool DispatchServoReply(const Envelope& envelope, IZAVSocketSessionEvent* sink, SessionLog* log) {
  ServoReply reply;
  if (!envelope.hasBody || !DecodeServoBody(envelope.body, &reply)) return false;
  if (log != nullptr) {
    log->Recv(static_cast<std::uint8_t>(reply.type),
              reinterpret_cast<const std::uint8_t*>(reply.data.data()), reply.data.size());
  }
  if (sink != nullptr) RaiseServoEvent(reply, sink);
  return true;
}

bool DispatchTextReply(const Envelope& envelope, IZAVSocketSessionEvent* sink) {
  std::string text;
  if (!envelope.hasBody || !DecodeTextBody(envelope.body, &text)) return false;
  if (sink == nullptr) return true;
  // A text never exceeds a frame, so its size fits an int; c_str() supplies the zero byte.
  const int len = static_cast<int>(text.size());
  if (envelope.cmd == CMD_READ_SN) {
    sink->OnReadSN(len > 0, text.c_str(), len);
  } else {
    sink->OnWriteSN(len > 0 && text[0] == '0', text.c_str(), len);
  }
  return true;
}

}  // namespace

bool DispatchPayload(const char* data, std::size_t size, IZAVSocketSessionEvent* sink,
                     SessionLog* log) {
  Envelope envelope;
  if (!DecodeEnvelope(data, size, &envelope)) return false;
  switch (envelope.cmd) {
    case CMD_SERVO:
      return DispatchServoReply(envelope, sink, log);
    case CMD_WRITE_SN:
    case CMD_READ_SN:
      return DispatchTextReply(envelope, sink);
    default:
      return true;  // a command this session does not speak is ignored
  }
}

}  // namespace servolink
