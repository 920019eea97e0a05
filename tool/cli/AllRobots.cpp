#include "cli/AllRobots.h"

#include <arpa/inet.h>

#include <algorithm>
#include <iostream>
#include <set>

#include "ZAVUIBase.h"
#include "cli/CommandContext.h"
#include "cli/RobotSearch.h"
#include "cli/RobotTarget.h"
#include "cli/SerialExchange.h"

namespace {

// The address as a number, for the order of the run (0 for a text that is no address).
std::uint32_t AddressValue(const std::wstring& ip) {
  in_addr address{};
  return ::inet_pton(AF_INET, ZAVNarrowToUtf8(ip).c_str(), &address) == 1 ? ntohl(address.s_addr) : 0;
}

// The robot's serial number: the one the command read (or recorded), or else one read now over
// the link the command left, when it stands. Empty when unknown.
std::string SerialOf(const Outcome& done, RobotTarget& robot) {
  if (done.report.isMember("serial")) return done.report["serial"].asString();
  if (robot.KnownSerial()) return *robot.KnownSerial();
  if (!robot.Connected() || robot.Link().Lost()) return {};
  Outcome scratch;
  const SerialResult serial = ReadRobotSerial(robot, &scratch);
  return serial.ok ? serial.serial : std::string();
}

// The robot's part of the run's outcome.
void AddRobotOutcome(const RobotTarget::Identity& who, const std::string& serial, const Outcome& done, Outcome* all) {
  Json::Value entry = done.report;
  Json::Value& robot = entry["robot"];
  robot["name"] = who.name;
  robot["version"] = who.version;
  robot["ip"] = who.ip;
  robot["mac"] = who.mac;
  robot["serial"] = serial.empty() ? Json::Value() : Json::Value(serial);
  entry["status"] = done.status;
  if (!done.error.empty()) entry["error"] = done.error;
  all->report["robots"].append(entry);
  all->Line("robot ip=" + who.ip + " mac=" + who.mac + " serial=" + (serial.empty() ? "none" : serial) +
            " status=" + std::to_string(done.status));
  for (std::size_t start = 0; start < done.text.size();) {
    const std::size_t end = done.text.find('\n', start);
    all->Line("  " + done.text.substr(start, end - start));
    start = end == std::string::npos ? done.text.size() : end + 1;
  }
}

}  // namespace

Outcome RunOnEveryRobot(const CliOptions& options, RobotCommand command) {
  Outcome all;
  all.report["robots"] = Json::Value(Json::arrayValue);
  std::vector<__DevInfo> found = SearchRobots(options.seconds, &all);
  if (all.status != kExitOk) return all;
  if (found.empty()) {
    return all.Fail(kExitRefused, "no robot answered within " + std::to_string(options.seconds) + " s");
  }
  std::sort(found.begin(), found.end(),
            [](const __DevInfo& a, const __DevInfo& b) { return AddressValue(a.strIP) < AddressValue(b.strIP); });
  std::set<std::string> claimed;
  std::string failed;
  for (const __DevInfo& info : found) {
    const RobotTarget::Identity who{ZAVNarrowToUtf8(info.strIP), ZAVNarrowToUtf8(info.strMAC),
                                    ZAVNarrowToUtf8(info.strName), ZAVNarrowToUtf8(info.strVersion)};
    Progress("robot " + who.ip + " (" + who.mac + ")");
    RobotTarget robot(options, who, &claimed);
    const Outcome done = command(options, robot);
    // Each robot's failure is told as it happens, not only in the summary at the end.
    if (!done.error.empty()) std::cerr << "caltrim-cli: robot " << who.ip << ": " << done.error << std::endl;
    AddRobotOutcome(who, SerialOf(done, robot), done, &all);
    all.status = WorseStatus(all.status, done.status);
    if (done.status != kExitOk) {
      failed += (failed.empty() ? "" : ", ") + who.ip + " (" + std::to_string(done.status) + ")";
    }
  }
  if (!failed.empty()) all.error = "not every robot succeeded: " + failed;
  return all;
}
