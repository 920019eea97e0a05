#pragma once

#include <optional>
#include <vector>

#include "records/RecordsStore.h"

// One robot's offsets against the spread of every robot's (the records' ServoStats), servo by
// servo, and which of them stand out: the history window draws and names them. Plain C++.

// A spread of fewer robots than this says nothing of an outlier.
inline constexpr int kFewestRobotsForOutliers = 3;
// An offset further from the mean than this many standard deviations is far from it.
inline constexpr double kFarFromMeanDeviations = 2.0;

struct ServoComparison {
  enum class Standing {
    kUnknown,       // no offset of the robot, or too small a spread to judge
    kWithin,
    kOutsideRange,  // below the lowest or above the highest of every robot's
    kFarFromMean,   // within the range, but far from the mean
  };

  int servo = 0;
  std::optional<int> offset;        // the robot's, where known
  std::optional<ServoStats> fleet;  // every robot's, where any robot has an accepted offset
  Standing standing = Standing::kUnknown;

  bool StandsOut() const { return standing == Standing::kOutsideRange || standing == Standing::kFarFromMean; }
};

// Servos 1 to the highest id of either list. offsets: element k is servo k + 1.
std::vector<ServoComparison> CompareWithFleet(const std::vector<std::optional<int>>& offsets,
                                              const std::vector<ServoStats>& fleet);
