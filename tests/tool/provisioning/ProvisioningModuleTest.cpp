// The serial-number tools as the program gets them: the real module, opened from the program's
// folder, in a process that links none of their libraries.

#include <gtest/gtest.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QLineEdit>
#include <cstdio>
#include <string>

#include "app/ModuleLoader.h"
#include "app/Text.h"
#include "provisioning/ProvisioningModule.h"
#include "provisioning/SNSettingDlg.h"
#include "support/MappedLibraries.h"
#include "tool/app/QtTestApp.h"
#include "tool/calibration/LinkDoubles.h"

namespace {

TEST(ProvisioningModuleTest, OpensOnceAndMakesAWorkingWindowWithTheLibrariesOnlyThen) {
  QtTestApp();
  for (const char* library : {"libcurl", "libzbar", "libcrypto", "libjsoncpp"}) {
    ASSERT_FALSE(Mapped(library)) << library << " before the module";
  }
  std::string error;
  QElapsedTimer firstOpen;
  firstOpen.start();
  IProvisioningModule* module = LoadProvisioningModule(&error);
  ASSERT_NE(module, nullptr) << error;
  const qint64 loadMs = firstOpen.elapsed();
  EXPECT_EQ(LoadProvisioningModule(&error), module) << "opened once";
  for (const char* library : {"libcurl", "libzbar", "libcrypto", "libjsoncpp"}) {
    EXPECT_TRUE(Mapped(library)) << library << " comes with the module";
  }

  RecordingPrompt prompt;
  ISerialNumberWindow* window = module->CreateSerialNumberWindow(nullptr, &prompt);
  QDialog* dialog = window->Dialog();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->windowTitle(), T("IDS_READ_WRITE_SERRIAL"));
  FakeSession session(nullptr);
  window->SetSession(&session);
  dialog->show();
  EXPECT_EQ(session.snReads, 1) << "showing it reads the robot's number";
  // A figure, not a check: what the serial number window's first opening costs here.
  std::printf("first opening: module loaded in %lld ms, window made and shown after %lld ms\n",
              static_cast<long long>(loadMs), static_cast<long long>(firstOpen.elapsed()));
  window->SessionEvents()->OnReadSN(true, "SN42#AA:BB", 10);
  EXPECT_EQ(dialog->findChild<QLineEdit*>(QString::number(IDC_SN_SERIAL))->text(), "SN42");
  delete dialog;

  // An entry asked for another version of the interface gives nothing.
  using Entry = IProvisioningModule* (*)(int);
  auto entry = reinterpret_cast<Entry>(
      LoadModuleEntry(kProvisioningModuleFile, kProvisioningModuleEntry, &error));
  ASSERT_NE(entry, nullptr) << error;
  EXPECT_EQ(entry(kProvisioningModuleVersion + 1), nullptr);
}

}  // namespace
