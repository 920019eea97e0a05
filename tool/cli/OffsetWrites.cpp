#include "cli/OffsetWrites.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <string>

#include "calibration/rules/CalibrationModel.h"
#include "calibration/rules/CalibrationRun.h"

namespace {

// The writes still awaited: unanswered, of servos not known to be silent.
std::size_t Awaited(const std::map<int, std::deque<std::size_t>>& unanswered, const SilenceBudget& budget) {
  std::size_t count = 0;
  for (const auto& [id, pending] : unanswered) count += budget.IsSilent(id) ? 0 : pending.size();
  return count;
}

}  // namespace

std::vector<std::string> WriteServoOffsets(RobotLink* link, SilenceBudget* budget,
                                           const std::vector<OffsetWrite>& writes, Outcome* outcome) {
  CalibrationRun run;
  std::vector<std::string> results(writes.size(), kNoReply);
  // The writes of each servo not yet answered, in sending order, as indices into writes: the run
  // removes a servo's first pending pair for each answer, so its first index is the one answered.
  std::map<int, std::deque<std::size_t>> unanswered;
  const auto end = RobotLink::Clock::now() + std::chrono::milliseconds(kCaliTimeoutMs);
  run.Begin();
  for (std::size_t i = 0; i < writes.size(); ++i) {
    run.AddPending(writes[i].first, writes[i].second);
    unanswered[writes[i].first].push_back(i);
    link->Session().SocketSession_SetCaliAngel(writes[i].first, writes[i].second);
  }
  bool ended = run.SendingDone();
  bool lost = false;
  auto last = RobotLink::Clock::now();
  while (!ended && Awaited(unanswered, *budget) > 0) {
    const std::optional<RobotLink::Event> event = link->Next(std::min(end, last + budget->Allowance()));
    if (!event) {
      budget->Spend(RobotLink::Clock::now() - last);
      for (const auto& [id, pending] : unanswered) {
        if (!pending.empty()) budget->MarkSilent(id);
      }
      break;
    }
    lost = event->kind == RobotLink::Event::kLinkEnded;
    if (lost) break;
    if (event->kind != RobotLink::Event::kCaliWrite) continue;
    const CalibrationRun::Reply reply = run.Answer(event->id, event->ok);
    if (!reply.value) continue;  // no write of this servo is pending
    std::deque<std::size_t>& pending = unanswered[event->id];
    results[pending.front()] = std::string(event->ok ? kCaliOk : kCaliFailed);
    pending.pop_front();
    ended = reply.endsRun;
    last = RobotLink::Clock::now();
  }
  run.TimeOut();  // the writes still pending are not awaited any longer
  for (std::size_t i = 0; i < writes.size(); ++i) {
    AddServo(outcome, {writes[i].first, results[i], "offset", writes[i].second});
  }
  if (lost) outcome->Fail(kExitUnreachable, "the link to the robot was lost");
  return results;
}
