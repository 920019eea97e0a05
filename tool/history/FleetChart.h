#pragma once

#include <QString>
#include <vector>

#include "history/FleetComparison.h"

class QChart;

// The history window's chart: for each servo the spread of every robot's offsets (a band from the
// lowest to the highest, and the mean as a line), and this robot's offset as a point. A point that
// stands out (FleetComparison) is drawn apart: a larger red square in a series of its own, so it is
// seen at a glance. The series are named by their objectName: kRangeSeries (a QAreaSeries whose
// upper and lower lines hold (servo, highest) and (servo, lowest)), kMeanSeries, kRobotSeries and
// kOutlierSeries (QScatterSeries of (servo, offset)).
inline constexpr char kRangeSeries[] = "range";
inline constexpr char kMeanSeries[] = "mean";
inline constexpr char kRobotSeries[] = "robot";
inline constexpr char kOutlierSeries[] = "outliers";

// A new chart of servos (the caller owns it; a chart view takes it over).
QChart* MakeFleetChart(const std::vector<ServoComparison>& servos);

// What the chart shows, for a screen reader and for the eye: one line per servo that stands out,
// or a line saying that none does (or that there is nothing to compare).
QString FleetSummary(const std::vector<ServoComparison>& servos);
