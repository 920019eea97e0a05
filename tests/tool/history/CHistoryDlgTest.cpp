// The history window on a records answer made by the test: the runs' table, and the chart's
// series checked by their data, not their pixels.

#include <gtest/gtest.h>

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTreeWidget>

#include "app/LanguageSetting.h"
#include "history/CHistoryDlg.h"
#include "history/FleetChart.h"
#include "tool/app/QtTestApp.h"
#include "tool/app/ShippedTexts.h"

namespace {

using Points = QList<QPointF>;

QList<QPointF> PointsOf(QChart* chart, const char* name) {
  for (QAbstractSeries* series : chart->series()) {
    if (series->objectName() != QLatin1String(name)) continue;
    if (auto* area = qobject_cast<QAreaSeries*>(series)) {
      return area->upperSeries()->points() + Points{{0, 0}} + area->lowerSeries()->points();
    }
    return static_cast<QXYSeries*>(series)->points();
  }
  ADD_FAILURE() << "no series " << name;
  return {};
}

RunRecord MadeRun(RunKind kind, std::vector<ServoRecord> servos) {
  RunRecord run = NewRunRecord(kind, "Caltrim", "1.2.3.4");
  run.station = "st1";
  run.operatorName = "ann";
  run.servos = std::move(servos);
  return run;
}

// Servo 1 sits within the spread, 2 outside its range, 3 within the range but far from the mean;
// servo 4's spread is too small to judge, and servo 5 has no offset known.
TEST(CHistoryDlgTest, TheRunsAreListedAndTheChartDrawsTheSpreadTheMeanAndTheRobotWithItsOutliersApart) {
  QtTestApp();
  UseShippedTexts(kLanguageEnglish);
  CHistoryDlg dlg(nullptr);
  dlg.ShowRobot({"R1", "10.0.0.1", "AA:BB", "SN1"}, {3, 20, 5, 1, std::nullopt});
  HistoryAnswer answer;
  answer.runs = {MadeRun(RunKind::kCalibrate, {{1, 0, 3, ServoOutcome::kOk}, {2, std::nullopt, 20, ServoOutcome::kFailed}}),
                 MadeRun(RunKind::kReset, {{1, std::nullopt, 90, ServoOutcome::kNoReply}})};
  answer.fleet = {{1, 5, 2, -4, 8, 3, 0}, {2, 5, 0, -10, 10, 2, 0}, {3, 5, 0, -10, 10, 2, 0}, {4, 2, 1, 0, 2, 1, 0}};
  dlg.ShowAnswer(answer);

  QTreeWidget* runs = dlg.Runs();
  ASSERT_EQ(runs->topLevelItemCount(), 2);
  QTreeWidgetItem* newest = runs->topLevelItem(0);
  EXPECT_EQ(QStringList({newest->text(kColKind), newest->text(kColStation), newest->text(kColOperator),
                         newest->text(kColOutcome)}),
            QStringList({"Calibrate", "st1", "ann", "1 Ok, 1 Failed"}));
  ASSERT_EQ(newest->childCount(), 2);
  QTreeWidgetItem* servo2 = newest->child(1);
  EXPECT_EQ(QStringList({servo2->text(kColServo), servo2->text(kColBefore), servo2->text(kColSent),
                         servo2->text(kColOutcome)}),
            QStringList({"2", "", "20", "Failed"}));
  EXPECT_EQ(runs->topLevelItem(1)->child(0)->text(kColOutcome), "no reply");

  QChart* chart = dlg.Chart()->chart();
  EXPECT_EQ(PointsOf(chart, kRangeSeries),
            (Points{{1, 8}, {2, 10}, {3, 10}, {4, 2}, {0, 0}, {1, -4}, {2, -10}, {3, -10}, {4, 0}}));
  EXPECT_EQ(PointsOf(chart, kMeanSeries), (Points{{1, 2}, {2, 0}, {3, 0}, {4, 1}}));
  EXPECT_EQ(PointsOf(chart, kRobotSeries), (Points{{1, 3}, {4, 1}}));
  EXPECT_EQ(PointsOf(chart, kOutlierSeries), (Points{{2, 20}, {3, 5}}));
  // Said in words as well, for a screen reader.
  const QString said = dlg.findChild<QLabel*>(QString::number(IDC_HISTORY_OUTLIERS))->text();
  EXPECT_EQ(said.split('\n').size(), 2);
  EXPECT_TRUE(said.startsWith("Servo 2: offset 20 is outside") && said.contains("Servo 3: offset 5 is far")) << said.toStdString();
  EXPECT_EQ(dlg.Chart()->accessibleDescription(), said);
}

}  // namespace
