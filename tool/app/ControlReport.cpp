#include "app/ControlReport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

namespace {

constexpr int kIntervalMs = 200;

QString ControlLine(const QWidget* window, const QWidget* control) {
  const QPoint at = control->mapToGlobal(QPoint(0, 0));
  QString rows;
  if (const auto* list = qobject_cast<const QAbstractItemView*>(control)) {
    rows = QStringLiteral(" %1").arg(list->model() != nullptr ? list->model()->rowCount() : 0);
  }
  return QStringLiteral("%1 %2 %3 %4 %5 %6 %7%8\n")
      .arg(window->winId())
      .arg(control->objectName())
      .arg(at.x())
      .arg(at.y())
      .arg(control->width())
      .arg(control->height())
      .arg(control->isEnabled() ? QStringLiteral("enabled") : QStringLiteral("disabled"))
      .arg(rows);
}

void WriteReport(const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return;
  file.write(ControlReportText().toUtf8());
  file.commit();
}

}  // namespace

QString ControlReportText() {
  QString text;
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) continue;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
      bool numeric = false;
      control->objectName().toInt(&numeric);
      if (numeric && control->isVisible()) text += ControlLine(window, control);
    }
  }
  return text;
}

void StartControlReport() {
  const QString path = qEnvironmentVariable("CALTRIM_CONTROL_REPORT");
  if (path.isEmpty()) return;
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [path] { WriteReport(path); });
  timer->start(kIntervalMs);
}
