#include "sim/robot/RobotState.h"

#include <cstdio>
#include <fstream>
#include <sstream>

RobotState::RobotState(const SimOptions& options)
    : m_servos(static_cast<std::size_t>(options.servos)), m_serial(options.serial),
      m_btMac(options.BtMac()) {
  for (const auto& [id, offset] : options.offsets) {
    if (HasServo(id)) SetOffset(id, offset);
  }
  for (const auto& [id, angle] : options.angles) {
    if (HasServo(id)) MoveTo(id, angle, 0, 0);
  }
}

int RobotState::Offset(int id) const { return HasServo(id) ? m_servos[id - 1].offset : 0; }

void RobotState::SetOffset(int id, int offset) {
  if (HasServo(id)) m_servos[id - 1].offset = offset;
}

int RobotState::Angle(int id, std::int64_t nowMs) const {
  if (!HasServo(id)) return 0;
  const Servo& servo = m_servos[id - 1];
  const std::int64_t elapsed = nowMs - servo.startMs;
  if (servo.durationMs <= 0 || elapsed >= servo.durationMs) return servo.toAngle;
  if (elapsed <= 0) return servo.fromAngle;
  return servo.fromAngle +
         static_cast<int>((servo.toAngle - servo.fromAngle) * elapsed / servo.durationMs);
}

void RobotState::MoveTo(int id, int angle, int durationMs, std::int64_t nowMs) {
  if (!HasServo(id)) return;
  Servo& servo = m_servos[id - 1];
  servo.fromAngle = Angle(id, nowMs);
  servo.toAngle = angle;
  servo.startMs = nowMs;
  servo.durationMs = durationMs;
}

std::string RobotState::Serialize() const {
  std::ostringstream out;
  out << "serial=" << m_serial << "\n";
  for (int id = 1; id <= ServoCount(); ++id) {
    out << "offset." << id << "=" << Offset(id) << "\n";
    out << "angle." << id << "=" << m_servos[id - 1].toAngle << "\n";
  }
  return out.str();
}

bool RobotState::Deserialize(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("serial=", 0) == 0) {
      m_serial = line.substr(7);
      continue;
    }
    const bool offset = line.rfind("offset.", 0) == 0;
    if (!offset && line.rfind("angle.", 0) != 0) continue;
    int id = 0;
    int value = 0;
    char tail = 0;
    const char* format = offset ? "offset.%d=%d%c" : "angle.%d=%d%c";
    if (std::sscanf(line.c_str(), format, &id, &value, &tail) != 2) return false;
    if (offset) {
      SetOffset(id, value);
    } else {
      MoveTo(id, value, 0, 0);
    }
  }
  return true;
}

bool RobotState::Load(const std::string& path, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return true;  // no state yet: the robot starts from its options
  std::ostringstream text;
  text << file.rdbuf();
  if (!Deserialize(text.str())) {
    *error = "malformed state file " + path;
    return false;
  }
  return true;
}

bool RobotState::Save(const std::string& path, std::string* error) const {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << Serialize();
    file.flush();
    if (!file) {
      *error = "cannot write " + temporary;
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    *error = "cannot replace " + path;
    return false;
  }
  return true;
}
