#include "history/FleetChart.h"

#include <QAreaSeries>
#include <QChart>
#include <QLineSeries>
#include <QScatterSeries>
#include <QStringList>
#include <QValueAxis>

#include "app/Text.h"
#include "calibration/rules/CalibrationModel.h"

namespace {

const QColor kRangeColour(51, 153, 255, 70);
const QColor kMeanColour(30, 90, 170);
const QColor kRobotColour(20, 20, 20);
const QColor kOutlierColour(220, 30, 30);
constexpr qreal kRobotMarker = 9;
constexpr qreal kOutlierMarker = 15;

template <typename Series>
Series* Named(const char* name, const char* key) {
  auto* series = new Series;
  series->setObjectName(QString::fromLatin1(name));
  series->setName(T(key));
  return series;
}

QAreaSeries* RangeSeries(const std::vector<ServoComparison>& servos) {
  QAreaSeries* range = Named<QAreaSeries>(kRangeSeries, "IDS_HISTORY_FLEET_RANGE");
  // The area series does not own its edges: they go with it as its children.
  auto* upper = new QLineSeries(range);
  auto* lower = new QLineSeries(range);
  for (const ServoComparison& servo : servos) {
    if (!servo.fleet) continue;
    upper->append(servo.servo, servo.fleet->max);
    lower->append(servo.servo, servo.fleet->min);
  }
  range->setUpperSeries(upper);
  range->setLowerSeries(lower);
  range->setColor(kRangeColour);
  range->setBorderColor(kRangeColour.darker(150));
  return range;
}

QLineSeries* MeanSeries(const std::vector<ServoComparison>& servos) {
  QLineSeries* mean = Named<QLineSeries>(kMeanSeries, "IDS_HISTORY_FLEET_MEAN");
  for (const ServoComparison& servo : servos) {
    if (servo.fleet) mean->append(servo.servo, servo.fleet->mean);
  }
  mean->setColor(kMeanColour);
  return mean;
}

// The robot's points; outliers: only those that stand out, else only those that do not.
QScatterSeries* RobotSeries(const std::vector<ServoComparison>& servos, bool outliers) {
  QScatterSeries* robot = outliers ? Named<QScatterSeries>(kOutlierSeries, "IDS_HISTORY_OUTLIERS")
                                   : Named<QScatterSeries>(kRobotSeries, "IDS_HISTORY_ROBOT_OFFSETS");
  for (const ServoComparison& servo : servos) {
    if (servo.offset && servo.StandsOut() == outliers) robot->append(servo.servo, *servo.offset);
  }
  robot->setMarkerShape(outliers ? QScatterSeries::MarkerShapeRectangle : QScatterSeries::MarkerShapeCircle);
  robot->setMarkerSize(outliers ? kOutlierMarker : kRobotMarker);
  robot->setColor(outliers ? kOutlierColour : kRobotColour);
  robot->setBorderColor(outliers ? kOutlierColour.darker(150) : kRobotColour);
  return robot;
}

QValueAxis* Axis(const char* titleKey, qreal min, qreal max) {
  auto* axis = new QValueAxis;
  axis->setTitleText(T(titleKey));
  axis->setRange(min, max);
  axis->setLabelFormat(QStringLiteral("%d"));
  return axis;
}

}  // namespace

QChart* MakeFleetChart(const std::vector<ServoComparison>& servos) {
  auto* chart = new QChart;
  chart->legend()->setAlignment(Qt::AlignBottom);
  QValueAxis* x = Axis("IDS_HISTORY_AXIS_SERVO", 0.5, static_cast<qreal>(servos.size()) + 0.5);
  // One tick per servo id.
  x->setTickType(QValueAxis::TicksDynamic);
  x->setTickAnchor(1);
  x->setTickInterval(1);
  QValueAxis* y = Axis("IDS_HISTORY_AXIS_OFFSET", kMinCaliOffset, kMaxCaliOffset);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{
           RangeSeries(servos), MeanSeries(servos), RobotSeries(servos, false), RobotSeries(servos, true)}) {
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
  }
  return chart;
}

QString FleetSummary(const std::vector<ServoComparison>& servos) {
  QStringList lines;
  bool compared = false;
  for (const ServoComparison& servo : servos) {
    compared = compared || servo.standing != ServoComparison::Standing::kUnknown;
    if (!servo.StandsOut()) continue;
    const char* why = servo.standing == ServoComparison::Standing::kOutsideRange ? "IDS_HISTORY_OUTSIDE_RANGE"
                                                                               : "IDS_HISTORY_FAR_FROM_MEAN";
    lines << T(why)
                 .arg(servo.servo)
                 .arg(*servo.offset)
                 .arg(servo.fleet->min)
                 .arg(servo.fleet->max)
                 .arg(servo.fleet->mean, 0, 'f', 1)
                 .arg(servo.fleet->count);
  }
  if (!lines.isEmpty()) return lines.join(QLatin1Char('\n'));
  return T(compared ? "IDS_HISTORY_NO_OUTLIERS" : "IDS_HISTORY_NOTHING_TO_COMPARE");
}
