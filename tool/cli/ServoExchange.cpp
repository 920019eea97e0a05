#include "cli/ServoExchange.h"

#include <algorithm>
#include <numeric>
#include <set>

ServoReplies AwaitServoReplies(RobotLink* link, RobotLink::Event::Kind kind,
                               const std::vector<int>& ids, std::chrono::milliseconds idle) {
  ServoReplies replies;
  const std::set<int> asked(ids.begin(), ids.end());
  auto deadline = RobotLink::Clock::now() + idle;
  while (replies.byId.size() < asked.size()) {
    const std::optional<RobotLink::Event> event = link->Next(deadline);
    if (!event) break;
    if (event->kind == RobotLink::Event::kLinkEnded) {
      replies.lost = true;
      break;
    }
    if (event->kind != kind || asked.count(event->id) == 0) continue;
    replies.byId.emplace(event->id, *event);
    deadline = RobotLink::Clock::now() + idle;
  }
  return replies;
}

ServoReplies ReadServoOffsets(RobotLink* link, const std::vector<int>& ids,
                              std::chrono::milliseconds idle) {
  for (const int id : ids) link->Session().SocketSession_ReadServoCaliAngel(id);
  return AwaitServoReplies(link, RobotLink::Event::kCaliRead, ids, idle);
}

void AddServoReplies(Outcome* outcome, const std::vector<int>& ids, const ServoReplies& replies,
                     const char* name) {
  for (const int id : ids) {
    const auto reply = replies.byId.find(id);
    if (reply == replies.byId.end()) {
      AddServo(outcome, {id, kNoReply, nullptr, {}});
    } else if (!reply->second.ok) {
      AddServo(outcome, {id, "Failed", nullptr, {}});
    } else {
      AddServo(outcome, {id, "Ok", name, reply->second.value});
    }
  }
  if (replies.lost) outcome->Fail(kExitUnreachable, "the link to the robot was lost");
}

std::vector<int> ServoIds(int count) {
  std::vector<int> ids(static_cast<std::size_t>(std::max(count, 0)));
  std::iota(ids.begin(), ids.end(), 1);
  return ids;
}
