#include "records/RunRecord.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <regex>
#include <utility>

namespace {

constexpr std::array<std::pair<RunKind, std::string_view>, 5> kKindNames{{
    {RunKind::kCalibrate, "calibrate"},
    {RunKind::kOffsetsWrite, "offsets-write"},
    {RunKind::kRestore, "restore"},
    {RunKind::kReset, "reset"},
    {RunKind::kSerialWrite, "serial-write"},
}};

constexpr std::array<std::pair<ServoOutcome, std::string_view>, 3> kOutcomeNames{{
    {ServoOutcome::kOk, "Ok"},
    {ServoOutcome::kFailed, "Failed"},
    {ServoOutcome::kNoReply, "no reply"},
}};

template <typename Value, std::size_t N>
std::string_view NameOf(const std::array<std::pair<Value, std::string_view>, N>& names, Value value) {
  for (const auto& [known, name] : names) {
    if (known == value) return name;
  }
  return {};
}

template <typename Value, std::size_t N>
std::optional<Value> ValueOf(const std::array<std::pair<Value, std::string_view>, N>& names,
                             std::string_view name) {
  for (const auto& [value, known] : names) {
    if (known == name) return value;
  }
  return std::nullopt;
}

std::string HostName() {
  char name[256] = {};
  return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

std::string LoginName() {
  char name[256] = {};
  if (::getlogin_r(name, sizeof name) == 0) return name;
  // No controlling terminal (a service, a desktop launcher): the user the process runs as.
  passwd entry{};
  passwd* found = nullptr;
  std::array<char, 4096> buffer{};
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return found->pw_name;
  }
  return std::to_string(::geteuid());
}

}  // namespace

RunRecord NewRunRecord(RunKind kind, std::string program, std::string programVersion) {
  RunRecord run;
  run.time = std::chrono::system_clock::now();
  run.station = HostName();
  run.operatorName = LoginName();
  run.program = std::move(program);
  run.programVersion = std::move(programVersion);
  run.kind = kind;
  return run;
}

std::string RobotKey(const RobotIdentity& robot) {
  if (!robot.serial.empty()) return robot.serial;
  return robot.mac.empty() ? robot.address : robot.mac;
}

bool WritesOffsets(RunKind kind) {
  return kind == RunKind::kCalibrate || kind == RunKind::kOffsetsWrite || kind == RunKind::kRestore;
}

std::string_view RunKindName(RunKind kind) { return NameOf(kKindNames, kind); }
std::optional<RunKind> RunKindFromName(std::string_view name) { return ValueOf(kKindNames, name); }
std::string_view ServoOutcomeName(ServoOutcome outcome) { return NameOf(kOutcomeNames, outcome); }
std::optional<ServoOutcome> ServoOutcomeFromName(std::string_view name) {
  return ValueOf(kOutcomeNames, name);
}

std::string FormatUtcTime(std::chrono::system_clock::time_point time) {
  const std::int64_t ms = ToUnixMs(time);
  std::int64_t seconds = ms / 1000;
  int milliseconds = static_cast<int>(ms % 1000);
  if (milliseconds < 0) {  // before 1970: the second rounds down
    milliseconds += 1000;
    --seconds;
  }
  const std::time_t whole = static_cast<std::time_t>(seconds);
  std::tm utc{};
  ::gmtime_r(&whole, &utc);
  char text[48];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%03dZ", milliseconds);
  return text;
}

bool ParseUtcTime(std::string_view text, std::chrono::system_clock::time_point* time, std::string* error) {
  using namespace std::chrono;
  // Date; then hours and minutes; then seconds; then their fraction; a Z only after a time.
  static const std::regex form(R"((\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(?:\.(\d{1,3}))?)?Z?)?)");
  std::match_results<std::string_view::const_iterator> parts;
  const auto number = [&parts](std::size_t part) { return parts[part].matched ? std::stoi(parts[part].str()) : 0; };
  if (std::regex_match(text.begin(), text.end(), parts, form)) {
    const year_month_day date{year{number(1)}, month{static_cast<unsigned>(number(2))},
                              day{static_cast<unsigned>(number(3))}};
    const std::string fraction = parts[7].str();
    if (date.ok() && number(4) < 24 && number(5) < 60 && number(6) < 60) {
      *time = sys_days{date} + hours{number(4)} + minutes{number(5)} + seconds{number(6)} +
              milliseconds{fraction.empty() ? 0 : std::stoi((fraction + "00").substr(0, 3))};
      return true;
    }
  }
  *error = "\"" + std::string(text) +
           "\" is no UTC date YYYY-MM-DD or time YYYY-MM-DDTHH:MM[:SS[.mmm]][Z] (such as 2026-05-20 or "
           "2026-05-20T08:30Z)";
  return false;
}

std::int64_t ToUnixMs(std::chrono::system_clock::time_point time) {
  return std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

std::chrono::system_clock::time_point FromUnixMs(std::int64_t ms) {
  return std::chrono::system_clock::time_point(std::chrono::milliseconds(ms));
}
