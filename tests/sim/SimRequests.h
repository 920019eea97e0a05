#pragma once

#include <string>

#include "codec/Envelope.h"
#include "codec/Frame.h"
#include "codec/ServoCommand.h"

// Request and reply payloads as the link library builds and reads them, for talking to the
// simulator in tests.

inline std::string ServoPayload(const ServoCommand& command) {
  return PackEnvelope(CMD_SERVO, PackServoBody(command));
}

inline std::string ServoFrame(const ServoCommand& command) { return BuildFrame(ServoPayload(command)); }

inline std::string TextFrame(int cmd, const std::string& text) {
  return BuildFrame(PackEnvelope(cmd, PackTextBody(text)));
}

// A servo reply's type and fields; false when the payload is not a servo reply.
inline bool ReadServoReply(const std::string& payload, int* type, ServoReplyFields* fields, bool withValue) {
  Envelope envelope;
  ServoReply reply;
  if (!DecodeEnvelope(payload.data(), payload.size(), &envelope) || envelope.cmd != CMD_SERVO ||
      !DecodeServoBody(envelope.body, &reply)) {
    return false;
  }
  *type = reply.type;
  return DecodeServoReplyFields(reply.data, withValue, fields);
}

// The text of a serial-number reply with the given cmd; false when it is not one.
inline bool ReadTextReply(const std::string& payload, int cmd, std::string* text) {
  Envelope envelope;
  return DecodeEnvelope(payload.data(), payload.size(), &envelope) && envelope.cmd == cmd &&
         DecodeTextBody(envelope.body, text);
}
