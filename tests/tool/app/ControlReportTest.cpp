#include "app/ControlReport.h"

#include <QDialog>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include "tool/app/QtTestApp.h"

namespace {

TEST(ControlReportTest, ListsShownControlsByIdWithScreenRectangleStateAndListRows) {
  QtTestApp();
  QDialog window;
  window.move(200, 100);
  auto* connect = new QPushButton(&window);
  connect->setObjectName(QStringLiteral("1006"));
  connect->setGeometry(10, 20, 80, 24);
  connect->setEnabled(false);
  auto* list = new QTableWidget(3, 2, &window);
  list->setObjectName(QStringLiteral("1014"));
  list->setGeometry(10, 50, 200, 100);
  (new QPushButton(&window))->setObjectName(QStringLiteral("1007"));
  window.findChild<QPushButton*>(QStringLiteral("1007"))->hide();
  (new QPushButton(&window))->setObjectName(QStringLiteral("named"));
  window.show();
  ASSERT_TRUE(PumpUntil([&] { return window.isVisible(); }));

  const QPoint at = window.mapToGlobal(QPoint(0, 0));
  const QString id = QString::number(window.winId());
  const QString expected =
      QStringLiteral("%1 1006 %2 %3 80 24 disabled\n%1 1014 %2 %4 200 100 enabled 3\n")
          .arg(id)
          .arg(at.x() + 10)
          .arg(at.y() + 20)
          .arg(at.y() + 50);
  EXPECT_EQ(ControlReportText().toStdString(), expected.toStdString());
  window.hide();
  EXPECT_EQ(ControlReportText().toStdString(), "") << "a hidden window shows no controls";
}

}  // namespace
