#include "cli/ServoExchange.h"

#include <algorithm>
#include <numeric>
#include <set>

ServoReplies AwaitServoReplies(RobotLink* link, SilenceBudget* budget, RobotLink::Event::Kind kind,
                               const std::vector<int>& ids) {
  ServoReplies replies;
  const std::set<int> asked(ids.begin(), ids.end());
  std::set<int> awaited;
  for (const int id : asked) {
    if (!budget->IsSilent(id)) awaited.insert(id);
  }
  auto last = RobotLink::Clock::now();
  while (!awaited.empty()) {
    const std::optional<RobotLink::Event> event = link->Next(last + budget->Allowance());
    if (!event) {
      budget->Spend(RobotLink::Clock::now() - last);
      for (const int id : awaited) budget->MarkSilent(id);
      break;
    }
    if (event->kind == RobotLink::Event::kLinkEnded) {
      replies.lost = true;
      break;
    }
    if (event->kind != kind || asked.count(event->id) == 0) continue;
    replies.byId.emplace(event->id, *event);
    awaited.erase(event->id);
    last = RobotLink::Clock::now();
  }
  return replies;
}

ServoReplies ReadServoOffsets(RobotLink* link, SilenceBudget* budget, const std::vector<int>& ids) {
  for (const int id : ids) link->Session().SocketSession_ReadServoCaliAngel(id);
  return AwaitServoReplies(link, budget, RobotLink::Event::kCaliRead, ids);
}

ServoReplies ReadServoAngles(RobotLink* link, SilenceBudget* budget, const std::vector<int>& ids) {
  for (const int id : ids) link->Session().SocketSession_ReadCurrentAngel(id);
  return AwaitServoReplies(link, budget, RobotLink::Event::kAngleRead, ids);
}

std::string ReplyResult(const ServoReplies& replies, int id) {
  const auto reply = replies.byId.find(id);
  if (reply == replies.byId.end()) return kNoReply;
  return reply->second.ok ? "Ok" : "Failed";
}

std::optional<int> ReplyValue(const ServoReplies& replies, int id) {
  const auto reply = replies.byId.find(id);
  if (reply == replies.byId.end() || !reply->second.ok) return std::nullopt;
  return reply->second.value;
}

void AddServoReplies(Outcome* outcome, const std::vector<int>& ids, const ServoReplies& replies,
                     const char* name) {
  for (const int id : ids) AddServo(outcome, {id, ReplyResult(replies, id), name, ReplyValue(replies, id)});
  if (replies.lost) outcome->Fail(kExitUnreachable, "the link to the robot was lost");
}

void AddDifferences(Outcome* outcome, const std::vector<std::pair<int, int>>& wanted,
                    const ServoReplies& replies, const char* name) {
  outcome->report["differences"] = Json::Value(Json::arrayValue);
  for (const auto& [id, value] : wanted) {
    const auto reply = replies.byId.find(id);
    const bool read = reply != replies.byId.end() && reply->second.ok;
    if (read && reply->second.value == value) continue;
    Json::Value entry(Json::objectValue);
    entry["id"] = id;
    entry["robot"] = read ? Json::Value(reply->second.value) : Json::Value();
    entry[name] = value;
    outcome->report["differences"].append(entry);
    outcome->Line("differs servo " + std::to_string(id) + " robot=" +
                  (read ? std::to_string(reply->second.value) : std::string("none")) + " " + name + "=" +
                  std::to_string(value));
  }
}

std::vector<int> ServoIds(int count) {
  std::vector<int> ids(static_cast<std::size_t>(std::max(count, 0)));
  std::iota(ids.begin(), ids.end(), 1);
  return ids;
}
