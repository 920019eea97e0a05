#include "history/CHistoryDlg.h"

#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/Text.h"
#include "history/FleetChart.h"

namespace {

// The window's size at first, in dialog units of its font.
constexpr int kWidth = 420;
constexpr int kHeight = 330;

const char* KindKey(RunKind kind) {
  switch (kind) {
    case RunKind::kCalibrate: return "IDS_HISTORY_KIND_CALIBRATE";
    case RunKind::kOffsetsWrite: return "IDS_HISTORY_KIND_OFFSETS_WRITE";
    case RunKind::kRestore: return "IDS_HISTORY_KIND_RESTORE";
    case RunKind::kReset: return "IDS_HISTORY_KIND_RESET";
    case RunKind::kSerialWrite: return "IDS_HISTORY_KIND_SERIAL_WRITE";
  }
  return "IDS_HISTORY_KIND_CALIBRATE";
}

// "Ok" and "Failed" are the panels' own status words, the same in every language.
QString OutcomeText(ServoOutcome outcome) {
  if (outcome == ServoOutcome::kNoReply) return T("IDS_HISTORY_NO_REPLY");
  const std::string_view name = ServoOutcomeName(outcome);
  return QString::fromLatin1(name.data(), static_cast<int>(name.size()));
}

QString Optional(const std::optional<int>& value) { return value ? QString::number(*value) : QString(); }

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

// "3 Ok, 1 Failed": the outcomes of a run's servos, in the order Ok, Failed, no reply.
QString OutcomeCounts(const RunRecord& run) {
  std::map<ServoOutcome, int> counts;
  for (const ServoRecord& servo : run.servos) ++counts[servo.outcome];
  QStringList parts;
  for (const auto& [outcome, count] : counts) parts << QString::number(count) + QLatin1Char(' ') + OutcomeText(outcome);
  return parts.join(QStringLiteral(", "));
}

QLabel* TextLabel(QWidget* parent, int id) {
  auto* label = MakeControl<QLabel>(parent, id);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  return label;
}

}  // namespace

CHistoryDlg::CHistoryDlg(QWidget* owner) : QDialog(owner) { BuildControls(); }

void CHistoryDlg::BuildControls() {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMaximizeButtonHint);
  setWindowTitle(T("IDS_HISTORY_TITLE"));
  const DialogUnits du(font());
  resize(du.Size(kWidth, kHeight));

  m_robot = TextLabel(this, IDC_HISTORY_ROBOT);
  m_state = TextLabel(this, IDC_HISTORY_STATE);
  m_runs = MakeControl<QTreeWidget>(this, IDC_HISTORY_RUNS);
  m_runs->setColumnCount(kHistoryColumns);
  m_runs->setHeaderLabels({T("IDS_HISTORY_COL_TIME"), T("IDS_HISTORY_COL_KIND"), T("IDS_HISTORY_COL_STATION"),
                           T("IDS_HISTORY_COL_OPERATOR"), T("IDS_HISTORY_COL_SERVO"), T("IDS_HISTORY_COL_BEFORE"),
                           T("IDS_HISTORY_COL_SENT"), T("IDS_HISTORY_COL_OUTCOME")});
  m_runs->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_runs->setAccessibleName(T("IDS_HISTORY_RUNS"));
  m_runs->setAccessibleDescription(T("IDS_HISTORY_RUNS_DESCRIPTION"));
  m_chart = MakeControl<QChartView>(this, IDC_HISTORY_CHART);
  m_chart->setRenderHint(QPainter::Antialiasing);
  m_chart->setAccessibleName(T("IDS_HISTORY_CHART"));
  m_chart->setFocusPolicy(Qt::StrongFocus);
  m_outliers = TextLabel(this, IDC_HISTORY_OUTLIERS);
  auto* close = MakeControl<QPushButton>(this, IDC_HISTORY_CLOSE);
  close->setText(T("IDS_HISTORY_CLOSE"));
  connect(close, &QPushButton::clicked, this, &QDialog::hide);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_robot);
  layout->addWidget(m_state);
  layout->addWidget(m_runs, 1);
  layout->addWidget(m_chart, 1);
  layout->addWidget(m_outliers);
  layout->addWidget(close, 0, Qt::AlignRight);
  // Down the window: the runs, the chart, Close.
  setTabOrder(m_runs, m_chart);
  setTabOrder(m_chart, close);
}

void CHistoryDlg::ShowRobot(const RobotIdentity& robot, const std::vector<std::optional<int>>& offsets) {
  m_offsets = offsets;
  const QString none = T("IDS_HISTORY_NOT_KNOWN");
  const auto known = [&none](const std::string& text) { return text.empty() ? none : Utf8(text); };
  m_robot->setText(T("IDS_HISTORY_ROBOT")
                       .arg(known(robot.name), known(robot.serial), known(robot.mac), known(robot.address)));
  setWindowTitle(T("IDS_HISTORY_TITLE") + QStringLiteral(" - ") +
                 Utf8(robot.serial.empty() ? RobotKey(robot) : robot.serial));
  m_state->setText(T("IDS_HISTORY_READING"));
  m_runs->clear();
  ShowChart(CompareWithFleet(m_offsets, {}));
  m_outliers->clear();
  m_chart->setAccessibleDescription(QString());
}

void CHistoryDlg::ShowAnswer(const HistoryAnswer& answer) {
  if (!answer.robotIdentified) {
    m_state->setText(T("IDS_HISTORY_ROBOT_UNKNOWN"));
  } else {
    m_state->setText(T("IDS_HISTORY_RUN_COUNT").arg(answer.runs.size()));
  }
  ShowRuns(answer.runs);
  const std::vector<ServoComparison> servos = CompareWithFleet(m_offsets, answer.fleet);
  ShowChart(servos);
  const QString summary = FleetSummary(servos);
  m_outliers->setText(summary);
  m_chart->setAccessibleDescription(summary);
}

void CHistoryDlg::ShowFailure(const std::string& error) {
  m_state->setText(T("IDS_HISTORY_READ_FAILED") + Utf8(error));
}

void CHistoryDlg::ShowChart(const std::vector<ServoComparison>& servos) {
  // The view leaves the chart it showed before to its maker.
  QChart* shown = m_chart->chart();
  m_chart->setChart(MakeFleetChart(servos));
  delete shown;
}

void CHistoryDlg::ShowRuns(const std::vector<RunRecord>& runs) {
  m_runs->clear();
  for (const RunRecord& run : runs) {
    auto* row = new QTreeWidgetItem(m_runs);
    row->setText(kColTime, Utf8(FormatUtcTime(run.time)));
    row->setText(kColKind, T(KindKey(run.kind)));
    row->setText(kColStation, Utf8(run.station));
    row->setText(kColOperator, Utf8(run.operatorName));
    row->setText(kColServo, QString::number(run.servos.size()));
    row->setText(kColOutcome, OutcomeCounts(run));
    for (const ServoRecord& servo : run.servos) {
      auto* line = new QTreeWidgetItem(row);
      line->setText(kColServo, QString::number(servo.id));
      line->setText(kColBefore, Optional(servo.before));
      line->setText(kColSent, Optional(servo.sent));
      line->setText(kColOutcome, OutcomeText(servo.outcome));
      if (servo.outcome != ServoOutcome::kOk) line->setForeground(kColOutcome, Qt::red);
    }
  }
  // The newest run open, the others closed: the keyboard opens them with the arrow keys.
  if (m_runs->topLevelItemCount() > 0) {
    m_runs->topLevelItem(0)->setExpanded(true);
    m_runs->setCurrentItem(m_runs->topLevelItem(0));
  }
}
