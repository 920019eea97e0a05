#include <chrono>
#include <thread>
#include <mutex>
#include <vector>

#include "ZAVServoSocket.h"
#include "ZAVUIBase.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"

namespace {

// Each robot once, by its MAC (as the robot list of the window keeps them), in order of answer.
class RobotList : public IZAVBroadcastEvent {
 public:
  void OnFoundDevice(__DevInfo info) override {
    const std::lock_guard<std::mutex> hold(m_mutex);
    for (const __DevInfo& known : m_robots) {
      if (known.strMAC == info.strMAC) return;
    }
    m_robots.push_back(std::move(info));
  }

  std::vector<__DevInfo> Robots() {
    const std::lock_guard<std::mutex> hold(m_mutex);
    return m_robots;
  }

 private:
  std::mutex m_mutex;
  std::vector<__DevInfo> m_robots;
};

void AddRobot(Outcome* outcome, const __DevInfo& robot) {
  Json::Value entry(Json::objectValue);
  entry["name"] = ZAVNarrowToUtf8(robot.strName);
  entry["version"] = ZAVNarrowToUtf8(robot.strVersion);
  entry["ip"] = ZAVNarrowToUtf8(robot.strIP);
  entry["mac"] = ZAVNarrowToUtf8(robot.strMAC);
  outcome->report["robots"].append(entry);
  outcome->Line(entry["name"].asString() + "\t" + entry["version"].asString() + "\t" +
                entry["ip"].asString() + "\t" + entry["mac"].asString());
}

}  // namespace

Outcome Discover(const CliOptions& options) {
  Outcome outcome;
  outcome.report["robots"] = Json::Value(Json::arrayValue);
  RobotList list;
  CIZAVBroadcastSocket* discovery = nullptr;
  if (!CreateZAVBroadcastSocket(&discovery)) {
    return outcome.Fail(kExitUnreachable, "cannot make the discovery object");
  }
  // The discovery thread sends the first search request as it starts.
  if (!discovery->StartBroadcast(nullptr, &list)) {
    discovery->Release();
    return outcome.Fail(kExitUnreachable, "cannot open UDP port 6000 for discovery (is Caltrim running?)");
  }
  Progress("searching for robots for " + std::to_string(options.seconds) + " s");
  // A search request or an answer may be lost on a busy network: one more search each second.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
  for (auto next = std::chrono::steady_clock::now() + std::chrono::seconds(1); next < end;
       next += std::chrono::seconds(1)) {
    std::this_thread::sleep_until(next);
    discovery->SearchDevice();
  }
  std::this_thread::sleep_until(end);
  discovery->Release();
  for (const __DevInfo& robot : list.Robots()) AddRobot(&outcome, robot);
  if (outcome.report["robots"].empty()) {
    outcome.Fail(kExitRefused, "no robot answered within " + std::to_string(options.seconds) + " s");
  }
  return outcome;
}
