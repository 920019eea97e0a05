#include "cli/RobotSearch.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "cli/CommandContext.h"

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

}  // namespace

std::vector<__DevInfo> SearchRobots(int seconds, Outcome* outcome) {
  RobotList list;
  CIZAVBroadcastSocket* discovery = nullptr;
  if (!CreateZAVBroadcastSocket(&discovery)) {
    outcome->Fail(kExitUnreachable, "cannot make the discovery object");
    return {};
  }
  // The discovery thread sends the first search request as it starts.
  if (!discovery->StartBroadcast(nullptr, &list)) {
    discovery->Release();
    outcome->Fail(kExitUnreachable, "cannot open UDP port 6000 for discovery (is Caltrim running?)");
    return {};
  }
  Progress("searching for robots for " + std::to_string(seconds) + " s");
  // A search request or an answer may be lost on a busy network: one more search each second.
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (auto next = std::chrono::steady_clock::now() + std::chrono::seconds(1); next < end;
       next += std::chrono::seconds(1)) {
    std::this_thread::sleep_until(next);
    discovery->SearchDevice();
  }
  std::this_thread::sleep_until(end);
  discovery->Release();
  return list.Robots();
}
