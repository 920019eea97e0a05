#include "history/FleetComparison.h"

#include <algorithm>
#include <cmath>

namespace {

ServoComparison::Standing StandingOf(int offset, const ServoStats& fleet) {
  using Standing = ServoComparison::Standing;
  if (fleet.count < kFewestRobotsForOutliers) return Standing::kUnknown;
  if (offset < fleet.min || offset > fleet.max) return Standing::kOutsideRange;
  if (fleet.stddev > 0 && std::abs(offset - fleet.mean) > kFarFromMeanDeviations * fleet.stddev) {
    return Standing::kFarFromMean;
  }
  return Standing::kWithin;
}

}  // namespace

std::vector<ServoComparison> CompareWithFleet(const std::vector<std::optional<int>>& offsets,
                                              const std::vector<ServoStats>& fleet) {
  int last = static_cast<int>(offsets.size());
  for (const ServoStats& servo : fleet) last = std::max(last, servo.servo);
  std::vector<ServoComparison> servos;
  for (int id = 1; id <= last; ++id) {
    ServoComparison servo;
    servo.servo = id;
    if (id <= static_cast<int>(offsets.size())) servo.offset = offsets[id - 1];
    const auto stats = std::find_if(fleet.begin(), fleet.end(), [id](const ServoStats& s) { return s.servo == id; });
    if (stats != fleet.end()) servo.fleet = *stats;
    if (servo.offset && servo.fleet) servo.standing = StandingOf(*servo.offset, *servo.fleet);
    servos.push_back(servo);
  }
  return servos;
}
