#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/robot/SimOptions.h"

// What the simulated robot remembers: per servo its calibration offset and its motion, and the
// serial number. Times are milliseconds of one steady clock, given by the caller.
class RobotState {
 public:
  explicit RobotState(const SimOptions& options);

  int ServoCount() const { return static_cast<int>(m_servos.size()); }
  bool HasServo(int id) const { return id >= 1 && id <= ServoCount(); }

  int Offset(int id) const;
  void SetOffset(int id, int offset);

  // The angle at nowMs: a servo moving to a new angle travels there in a straight line over the
  // time it was given.
  int Angle(int id, std::int64_t nowMs) const;
  void MoveTo(int id, int angle, int durationMs, std::int64_t nowMs);

  const std::string& Serial() const { return m_serial; }
  void SetSerial(const std::string& serial) { m_serial = serial; }
  const std::string& BtMac() const { return m_btMac; }

  // What the state file holds: "serial=TEXT", then for each servo "offset.ID=V" and
  // "angle.ID=V" (the angle it was last told to reach), one per line.
  std::string Serialize() const;
  // Takes what a state file holds; lines it does not know are passed over. False when a line it
  // knows is malformed (what came before stays taken).
  bool Deserialize(const std::string& text);

  // Loads path when it exists. False only when it exists and cannot be read or parsed.
  bool Load(const std::string& path, std::string* error);
  // Replaces path atomically (a temporary file renamed over it).
  bool Save(const std::string& path, std::string* error) const;

 private:
  struct Servo {
    int offset = 0;
    int fromAngle = SimOptions::kDefaultAngle;
    int toAngle = SimOptions::kDefaultAngle;
    std::int64_t startMs = 0;
    int durationMs = 0;
  };

  std::vector<Servo> m_servos;
  std::string m_serial;
  std::string m_btMac;
};
