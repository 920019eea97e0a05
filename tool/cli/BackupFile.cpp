#include "cli/BackupFile.h"

#include <fcntl.h>
#include <json/json.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

#include "calibration/rules/CalibrationModel.h"

namespace {

constexpr char kOutOfRange[] = "outOfRange";

// Where a value stands in the file, as "line N: ".
std::string LineOf(const std::string& text, std::ptrdiff_t offset) {
  const auto end = text.begin() + std::clamp<std::ptrdiff_t>(offset, 0, static_cast<std::ptrdiff_t>(text.size()));
  return "line " + std::to_string(1 + std::count(text.begin(), end, '\n')) + ": ";
}

// Reads up to limit bytes of fd into *text. 0, or the errno of a failing read.
int ReadAtMost(int fd, std::size_t limit, std::string* text) {
  text->resize(limit);
  std::size_t size = 0;
  int failure = 0;
  while (size < limit) {
    const ssize_t n = ::read(fd, text->data() + size, limit - size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failure = n < 0 ? errno : 0;
      break;
    }
    size += static_cast<std::size_t>(n);
  }
  text->resize(size);
  return failure;
}

// The text of the file at path when it is a regular file of at most kMaxBackupFileBytes. It is
// opened without waiting (a FIFO would wait for a writer) and its type checked before anything is
// read, so a folder, a device or a FIFO is refused at once.
bool ReadBackupText(const std::string& path, std::string* text, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = std::string("cannot be read: ") + std::strerror(errno);
    return false;
  }
  struct stat status {};
  const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  // One byte more than allowed tells a file that grew past the cap.
  const int failure = regular ? ReadAtMost(fd, kMaxBackupFileBytes + 1, text) : 0;
  ::close(fd);
  if (!regular) {
    *error = "not a regular file";
  } else if (failure != 0) {
    *error = std::string("cannot be read: ") + std::strerror(failure);
  } else if (text->size() > kMaxBackupFileBytes) {
    *error = "larger than 1 MiB, which no backup is";
  }
  return regular && failure == 0 && text->size() <= kMaxBackupFileBytes;
}

// Standard input to its end, at most kMaxBackupFileBytes: whatever it is (a pipe, a file), the
// one who started the program chose it.
bool ReadInput(std::string* text, std::string* error) {
  const int failure = ReadAtMost(STDIN_FILENO, kMaxBackupFileBytes + 1, text);
  if (failure != 0) {
    *error = std::string("cannot be read: ") + std::strerror(failure);
  } else if (text->size() > kMaxBackupFileBytes) {
    *error = "larger than 1 MiB, which no backup is";
  }
  return failure == 0 && text->size() <= kMaxBackupFileBytes;
}

class BackupReader {
 public:
  BackupReader(const std::string& text, std::string* error) : m_text(text), m_error(error) {}

  bool Read(CalibrationBackup* backup) {
    Json::Value root;
    if (!Parse(&root)) return false;
    if (!root.isObject()) return Fail(root, "the file holds no JSON object");
    if (!String(root, "format", nullptr)) return false;
    if (root["format"].asString() != kBackupFormat) return Fail(root["format"], std::string("not a ") + kBackupFormat + " file");
    if (!Member(root, "formatVersion", &Json::Value::isInt)) return false;
    if (root["formatVersion"].asInt() != kBackupFormatVersion) {
      return Fail(root["formatVersion"], "format version " + root["formatVersion"].asString() + " is not known");
    }
    return String(root, "serial", &backup->serial) && String(root, "mac", &backup->mac) &&
           String(root, "time", &backup->time) &&
           String(root, "programVersion", &backup->programVersion) && Servos(root, backup);
  }

 private:
  bool Parse(Json::Value* root) {
    Json::Reader reader(Json::Features::strictMode());
    bool parsed = false;
    try {
      parsed = reader.parse(m_text, *root, false);
    } catch (const Json::Exception&) {
      // The parser gives up on deep nesting by throwing, without a place; a backup nests three
      // levels deep.
      *m_error = "nested too deeply to be a backup";
      return false;
    }
    if (!parsed) {
      const std::vector<Json::Reader::StructuredError> errors = reader.getStructuredErrors();
      const std::ptrdiff_t at = errors.empty() ? static_cast<std::ptrdiff_t>(m_text.size()) : errors.front().offset_start;
      const std::string message = errors.empty() ? "not JSON" : errors.front().message;
      return Fail(at, message);
    }
    // Anything after the object is damage too (a file written over another, say).
    const std::size_t rest = m_text.find_first_not_of(" \t\r\n", static_cast<std::size_t>(root->getOffsetLimit()));
    if (rest != std::string::npos) return Fail(static_cast<std::ptrdiff_t>(rest), "text after the end of the backup");
    return true;
  }

  bool Member(const Json::Value& object, const char* name, bool (Json::Value::*isType)() const) {
    if (!object.isMember(name)) return Fail(object, std::string("\"") + name + "\" is missing");
    if (!(object[name].*isType)()) return Fail(object[name], std::string("\"") + name + "\" has the wrong type");
    return true;
  }

  bool String(const Json::Value& object, const char* name, std::string* value) {
    if (!Member(object, name, &Json::Value::isString)) return false;
    if (value != nullptr) *value = object[name].asString();
    return true;
  }

  bool Servos(const Json::Value& root, CalibrationBackup* backup) {
    if (!Member(root, "servos", &Json::Value::isArray)) return false;
    if (root["servos"].empty()) return Fail(root["servos"], "\"servos\" is empty");
    std::set<int> seen;
    for (const Json::Value& servo : root["servos"]) {
      if (!servo.isObject()) return Fail(servo, "a servo is not an object");
      if (!Member(servo, "id", &Json::Value::isInt) || !Member(servo, "offset", &Json::Value::isInt)) return false;
      const int id = servo["id"].asInt();
      const int offset = servo["offset"].asInt();
      if (id < 1 || id > 255) return Fail(servo["id"], "servo id " + std::to_string(id) + " is not 1..255");
      if (!seen.insert(id).second) return Fail(servo["id"], "servo " + std::to_string(id) + " comes twice");
      if (!Flag(servo, id, offset)) return false;
      backup->offsets.emplace_back(id, offset);
    }
    return true;
  }

  // An offset outside what a servo accepts stands only where the servo is flagged, and a flag only
  // there: either alone is damage.
  bool Flag(const Json::Value& servo, int id, int offset) {
    if (servo.isMember(kOutOfRange) && !Member(servo, kOutOfRange, &Json::Value::isBool)) return false;
    const bool flagged = servo.get(kOutOfRange, false).asBool();
    if (flagged == !IsWritableOffset(offset)) return true;
    if (flagged) {
      return Fail(servo[kOutOfRange], "servo " + std::to_string(id) + " is flagged \"" + kOutOfRange +
                                          "\" but its offset " + std::to_string(offset) + " is not");
    }
    return Fail(servo["offset"], "offset " + std::to_string(offset) + " of servo " + std::to_string(id) +
                                     " is outside " + std::to_string(kMinCaliOffset) + ".." +
                                     std::to_string(kMaxCaliOffset) + " and not flagged \"" + kOutOfRange + "\"");
  }

  bool Fail(std::ptrdiff_t offset, const std::string& reason) {
    *m_error = LineOf(m_text, offset) + reason;
    return false;
  }
  bool Fail(const Json::Value& value, const std::string& reason) { return Fail(value.getOffsetStart(), reason); }

  const std::string& m_text;
  std::string* m_error;
};

}  // namespace

std::string BackupToText(const CalibrationBackup& backup) {
  Json::Value root(Json::objectValue);
  root["format"] = kBackupFormat;
  root["formatVersion"] = kBackupFormatVersion;
  root["serial"] = backup.serial;
  root["mac"] = backup.mac;
  root["time"] = backup.time;
  root["programVersion"] = backup.programVersion;
  root["servos"] = Json::Value(Json::arrayValue);
  for (const auto& [id, offset] : backup.offsets) {
    Json::Value servo(Json::objectValue);
    servo["id"] = id;
    servo["offset"] = offset;
    if (!IsWritableOffset(offset)) servo[kOutOfRange] = true;
    root["servos"].append(servo);
  }
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "  ";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, root) + "\n";
}

bool BackupFromText(const std::string& text, CalibrationBackup* backup, std::string* error) {
  *backup = CalibrationBackup();
  return BackupReader(text, error).Read(backup);
}

bool ReadBackupFile(const std::string& path, CalibrationBackup* backup, std::string* error) {
  std::string text;
  const bool input = path == "-";
  if (!(input ? ReadInput(&text, error) : ReadBackupText(path, &text, error)) ||
      !BackupFromText(text, backup, error)) {
    *error = (input ? std::string("standard input") : path) + ": " + *error;
    return false;
  }
  return true;
}

std::string BackupTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  return text;
}
