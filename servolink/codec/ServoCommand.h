#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace servolink {

// The commands of the robot link: session command codes, the servo command types with their
// data bytes, and the decoding of the servo replies.

enum SessionCommand : int {
  CMD_SERVO = 1,
  CMD_WRITE_SN = 51,
  CMD_READ_SN = 52,
};

enum ServoType : std::uint8_t {
  SERVO_SET_CURRENT_ANGLE = 0x05,
  SERVO_READ_CURRENT_ANGLE = 0x06,
  SERVO_SET_CALI_ANGLE = 0x0C,
  SERVO_READ_CALI_ANGLE = 0x0D,
  SERVO_READ_INFO = 0x0E,
};

// One servo command: its type and up to five data bytes. Only the low 8 bits of an id and the
// low 16 bits of an angle, time or value travel, high byte first.
struct ServoCommand {
  std::uint8_t type = 0;
  std::uint8_t data[5] = {};
  std::size_t size = 0;

  static ServoCommand ReadInfo(int id);
  static ServoCommand ReadCaliAngle(int id);
  static ServoCommand ReadCurrentAngle(int id);
  static ServoCommand SetCurrentAngle(int id, int angle, int time);
  static ServoCommand SetCaliAngle(int id, int value);
};

// The body [type, data] of a servo command, the type packed as a signed 8-bit integer.
std::string PackServoBody(const ServoCommand& command);

// A servo reply as it arrives: its type and data bytes.
struct ServoReply {
  int type = 0;  // signed 8-bit range
  std::string data;
};

// Decodes a servo body [type, data]. False when the body is not of that shape or the type lies
// outside -128..127.
bool DecodeServoBody(const std::string& body, ServoReply* reply);

// The fields every answered servo reply starts with: status, id and, for the read replies, a
// 16-bit value.
struct ServoReplyFields {
  bool ok = false;  // status byte 0
  int id = 0;       // the id byte as a signed 8-bit value
  int value = 0;    // 0 unless ok; high bytes 0xF0 and above stand for -4096..-1
};

// Reads status and id, and the value when withValue. False when the data is shorter than its
// layout (2 bytes, 4 with a value while the status is 0): such a reply raises nothing.
bool DecodeServoReplyFields(const std::string& data, bool withValue, ServoReplyFields* fields);

}  // namespace servolink
