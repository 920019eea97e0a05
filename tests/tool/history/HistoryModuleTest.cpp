// The history window as the program gets it: the real module, opened from the program's folder,
// in a process that links no Qt Charts.

#include <gtest/gtest.h>

#include <QDialog>
#include <QTreeWidget>
#include <string>

#include "history/HistoryModule.h"
#include "support/MappedLibraries.h"
#include "tool/app/QtTestApp.h"

namespace {

TEST(HistoryModuleTest, QtChartsIsMappedOnlyOnceTheModuleOpensAndItsWindowListsTheRuns) {
  QtTestApp();
  ASSERT_FALSE(Mapped("libQt6Charts")) << "before the module";
  std::string error;
  IHistoryModule* module = LoadHistoryModule(&error);
  ASSERT_NE(module, nullptr) << error;
  EXPECT_TRUE(Mapped("libQt6Charts"));
  EXPECT_EQ(LoadHistoryModule(&error), module) << "opened once";

  QWidget owner;
  IHistoryWindow* window = module->CreateHistoryWindow(&owner);
  EXPECT_FALSE(window->Dialog()->isVisible());
  window->ShowRobot({"R1", "10.0.0.1", "", "SN1"}, {3, std::nullopt});
  HistoryAnswer answer;
  answer.runs.resize(2);
  answer.runs[0].servos = {{1, 0, 3, ServoOutcome::kOk}};
  window->ShowAnswer(answer);
  auto* runs = window->Dialog()->findChild<QTreeWidget*>();
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(runs->topLevelItemCount(), 2);
  EXPECT_EQ(runs->topLevelItem(0)->childCount(), 1);
}

}  // namespace
