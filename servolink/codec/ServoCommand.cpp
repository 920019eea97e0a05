#include "codec/ServoCommand.h"

#include "codec/Envelope.h"

namespace servolink {

namespace {

std::uint8_t Low8(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint8_t High8(int value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); }

ServoCommand Single(ServoType type, int id) {
  ServoCommand command;
  command.type = type;
  command.data[0] = Low8(id);
  command.size = 1;
  return command;
}

}  // namespace

ServoCommand ServoCommand::ReadInfo(int id) { return Single(SERVO_READ_INFO, id); }

ServoCommand ServoCommand::ReadCaliAngle(int id) { return Single(SERVO_READ_CALI_ANGLE, id); }

ServoCommand ServoCommand::ReadCurrentAngle(int id) { return Single(SERVO_READ_CURRENT_ANGLE, id); }

ServoCommand ServoCommand::SetCurrentAngle(int id, int angle, int time) {
  ServoCommand command = Single(SERVO_SET_CURRENT_ANGLE, id);
  command.data[1] = High8(angle);
  command.data[2] = Low8(angle);
  command.data[3] = High8(time);
  command.data[4] = Low8(time);
  command.size = 5;
  return command;
}

ServoCommand ServoCommand::SetCaliAngle(int id, int value) {
  ServoCommand command = Single(SERVO_SET_CALI_ANGLE, id);
  command.data[1] = High8(value);
  command.data[2] = Low8(value);
  command.size = 3;
  return command;
}

std::string PackServoBody(const ServoCommand& command) {
  msgpack::sbuffer buffer;
  msgpack::packer<msgpack::sbuffer> packer(buffer);
  packer.pack_array(2);
  packer.pack(static_cast<int>(static_cast<std::int8_t>(command.type)));
  PackRaw(packer, std::string(reinterpret_cast<const char*>(command.data), command.size));
  return std::string(buffer.data(), buffer.size());
}

bool DecodeServoBody(const std::string& body, ServoReply* reply) {
  msgpack::object_handle handle;
  if (!UnpackPayload(body.data(), body.size(), &handle)) return false;
  const msgpack::object& root = handle.get();
  if (root.type != msgpack::type::ARRAY || root.via.array.size < 2) return false;
  int type = 0;
  if (!ObjectInt(root.via.array.ptr[0], &type) || type < -128 || type > 127) return false;
  if (!ObjectBytes(root.via.array.ptr[1], &reply->data)) return false;
  reply->type = type;
  return true;
}

bool DecodeServoReplyFields(const std::string& data, bool withValue, ServoReplyFields* fields) {
  if (data.size() < 2) return false;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
  *fields = ServoReplyFields();
  fields->ok = bytes[0] == 0;
  fields->id = static_cast<std::int8_t>(bytes[1]);
  if (!withValue || !fields->ok) return true;
  if (data.size() < 4) return false;
  int value = bytes[2] * 256 + bytes[3];
  if (bytes[2] >= 0xF0) value -= 65536;
  fields->value = value;
  return true;
}

}  // namespace servolink
