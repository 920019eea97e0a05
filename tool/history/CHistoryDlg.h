#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "history/FleetComparison.h"
#include "history/HistoryModule.h"

class QChartView;
class QLabel;
class QTreeWidget;

// Control ids of the history window.
constexpr int IDC_HISTORY_ROBOT = 1101;     // which robot: name, serial number, MAC, address
constexpr int IDC_HISTORY_STATE = 1102;     // reading, the runs found, or why there are none
constexpr int IDC_HISTORY_RUNS = 1103;      // the runs, each with its servos
constexpr int IDC_HISTORY_CHART = 1104;     // the robot's offsets against every robot's
constexpr int IDC_HISTORY_OUTLIERS = 1105;  // the servos that stand out, in words
constexpr int IDC_HISTORY_CLOSE = 2;

// Columns of the runs' table. A run's row holds its time (UTC), kind, station and operator, and
// the count of its servos' outcomes; each servo is a row under it with its id, the offset before,
// the value sent and the outcome.
enum HistoryColumn { kColTime, kColKind, kColStation, kColOperator, kColServo, kColBefore, kColSent, kColOutcome,
                     kHistoryColumns };

// The calibration history window (HistoryModule.h): the robot's runs in a table, and a chart of
// its offsets against the spread of every robot's, with the servos that stand out said in words
// for the eye and for a screen reader.
class CHistoryDlg : public QDialog, public IHistoryWindow {
  Q_OBJECT

 public:
  explicit CHistoryDlg(QWidget* owner);

  // IHistoryWindow
  QDialog* Dialog() override { return this; }
  void ShowRobot(const RobotIdentity& robot, const std::vector<std::optional<int>>& offsets) override;
  void ShowAnswer(const HistoryAnswer& answer) override;
  void ShowFailure(const std::string& error) override;

  QTreeWidget* Runs() const { return m_runs; }
  QChartView* Chart() const { return m_chart; }

 private:
  void BuildControls();
  void ShowRuns(const std::vector<RunRecord>& runs);
  void ShowChart(const std::vector<ServoComparison>& servos);

  std::vector<std::optional<int>> m_offsets;  // the robot's, as the main window knows them
  QLabel* m_robot = nullptr;
  QLabel* m_state = nullptr;
  QTreeWidget* m_runs = nullptr;
  QChartView* m_chart = nullptr;
  QLabel* m_outliers = nullptr;
};
