#include "sim/robot/RobotCommands.h"

#include <cstdio>

#include "codec/Envelope.h"
#include "codec/ServoCommand.h"

using namespace servolink;

namespace {

constexpr std::uint8_t kStatusOk = 0;
constexpr std::uint8_t kStatusFailed = 1;

std::string Hex2(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

std::uint8_t Byte(const std::string& data, std::size_t index) {
  return static_cast<std::uint8_t>(data[index]);
}

int Word(const std::string& data, std::size_t index) { return Byte(data, index) * 256 + Byte(data, index + 1); }

// The reply of a servo command: its type and data [status, id, value high, value low].
std::string ServoReplyPayload(std::uint8_t type, std::uint8_t status, int id, const int* value) {
  ServoCommand reply;
  reply.type = type;
  reply.data[0] = status;
  reply.data[1] = static_cast<std::uint8_t>(id);
  reply.size = 2;
  if (value != nullptr) {
    reply.data[2] = static_cast<std::uint8_t>((*value >> 8) & 0xFF);
    reply.data[3] = static_cast<std::uint8_t>(*value & 0xFF);
    reply.size = 4;
  }
  return PackEnvelope(CMD_SERVO, PackServoBody(reply));
}

void Answer(CommandOutcome* outcome, std::uint8_t type, std::uint8_t status, int id, const int* value) {
  outcome->hasReply = true;
  outcome->replyPayload = ServoReplyPayload(type, status, id, value);
  outcome->reply = "servo " + Hex2(type) + " status=" + std::to_string(status) + " id=" + std::to_string(id);
  if (value != nullptr) outcome->reply += " value=" + std::to_string(*value);
}

// The size the request data of each servo type needs; 0 for a type the robot does not know.
std::size_t RequestSize(std::uint8_t type) {
  switch (type) {
    case SERVO_SET_CURRENT_ANGLE: return 5;
    case SERVO_SET_CALI_ANGLE: return 3;
    case SERVO_READ_CURRENT_ANGLE:
    case SERVO_READ_CALI_ANGLE:
    case SERVO_READ_INFO: return 1;
    default: return 0;
  }
}

void HandleServo(const ServoReply& command, RobotState* state, const Faults& faults, std::int64_t nowMs,
                 CommandOutcome* outcome) {
  const auto type = static_cast<std::uint8_t>(command.type);
  outcome->request = "servo " + Hex2(type);
  const std::size_t needed = RequestSize(type);
  if (needed == 0 || command.data.size() < needed) {
    outcome->request += needed == 0 ? " (unknown type)" : " (data too short)";
    return;
  }
  const int id = Byte(command.data, 0);
  outcome->request += " id=" + std::to_string(id);
  outcome->servoId = id;
  if (faults.silent.Contains(id)) return;  // a servo that does not answer does nothing either
  const bool known = state->HasServo(id);
  const bool writeRefused = !known || faults.refuseWrites.Contains(id);
  const bool readFailed = !known || faults.failReads.Contains(id);

  switch (type) {
    case SERVO_SET_CURRENT_ANGLE: {
      const int angle = Word(command.data, 1);
      const int time = Word(command.data, 3);
      outcome->request += " angle=" + std::to_string(angle) + " time=" + std::to_string(time);
      if (!writeRefused) {
        state->MoveTo(id, angle, time, nowMs);
        outcome->stateChanged = true;
      }
      Answer(outcome, type, writeRefused ? kStatusFailed : kStatusOk, id, nullptr);
      return;
    }
    case SERVO_SET_CALI_ANGLE: {
      const int value = static_cast<std::int16_t>(Word(command.data, 1));
      outcome->request += " value=" + std::to_string(value);
      const bool refused = writeRefused || value < -SimOptions::kMaxOffset || value > SimOptions::kMaxOffset;
      if (!refused) {
        state->SetOffset(id, value);
        outcome->stateChanged = true;
      }
      Answer(outcome, type, refused ? kStatusFailed : kStatusOk, id, nullptr);
      return;
    }
    case SERVO_READ_CURRENT_ANGLE:
    case SERVO_READ_CALI_ANGLE: {
      const int value = type == SERVO_READ_CALI_ANGLE ? state->Offset(id) : state->Angle(id, nowMs);
      Answer(outcome, type, readFailed ? kStatusFailed : kStatusOk, id, readFailed ? nullptr : &value);
      return;
    }
    default: {  // SERVO_READ_INFO
      const int info = kServoModel * 256 + kServoFirmware;
      Answer(outcome, type, readFailed ? kStatusFailed : kStatusOk, id, readFailed ? nullptr : &info);
      return;
    }
  }
}

void AnswerText(CommandOutcome* outcome, int cmd, const std::string& text) {
  outcome->hasReply = true;
  outcome->replyPayload = PackEnvelope(cmd, PackTextBody(text));
  outcome->reply = (cmd == CMD_READ_SN ? "read-sn \"" : "write-sn \"") + text + "\"";
}

}  // namespace

CommandOutcome HandleCommand(const std::string& payload, RobotState* state, const Faults& faults,
                             std::int64_t nowMs) {
  CommandOutcome outcome;
  if (payload.empty()) {
    outcome.request = "heartbeat";
    return outcome;
  }
  Envelope envelope;
  if (!DecodeEnvelope(payload.data(), payload.size(), &envelope)) {
    outcome.request = "undecodable payload";
    return outcome;
  }
  outcome.request = "cmd " + std::to_string(envelope.cmd);
  if (envelope.cmd == CMD_SERVO) {
    ServoReply command;
    if (envelope.hasBody && DecodeServoBody(envelope.body, &command)) {
      HandleServo(command, state, faults, nowMs, &outcome);
    } else {
      outcome.request = "servo (undecodable body)";
    }
    return outcome;
  }
  if (envelope.cmd == CMD_READ_SN) {
    outcome.request = "read-sn";
    if (faults.silent.all) return outcome;
    AnswerText(&outcome, CMD_READ_SN, state->Serial() + "#" + state->BtMac());
    return outcome;
  }
  if (envelope.cmd == CMD_WRITE_SN) {
    std::string serial;
    if (!envelope.hasBody || !DecodeTextBody(envelope.body, &serial)) {
      outcome.request = "write-sn (undecodable body)";
      return outcome;
    }
    outcome.request = "write-sn \"" + serial + "\"";
    if (faults.silent.all) return outcome;
    if (!faults.refuseSerialWrite) {
      state->SetSerial(serial);
      outcome.stateChanged = true;
    }
    AnswerText(&outcome, CMD_WRITE_SN, faults.refuseSerialWrite ? "1" : "0");
    return outcome;
  }
  return outcome;
}
