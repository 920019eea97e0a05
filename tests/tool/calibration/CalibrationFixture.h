#pragma once

// The main window on doubles: a Config.ini of the test's own in a temporary folder, fake link
// objects and a recording prompt. Qt runs offscreen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>

#include "calibration/CCaltrimDlg.h"
#include "tool/calibration/LinkFakes.h"

// Pumps events until done() holds or timeoutMs passes; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);

// Pumps the events already queued.
void PumpPending();

// A direct child control of parent by its id.
template <typename W>
W* Control(const QWidget* parent, int id) {
  return parent->findChild<W*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

class CalibrationFixture : public ::testing::Test {
 protected:
  CalibrationFixture();
  ~CalibrationFixture() override;

  // Writes Config.ini: section "Config" with these keys and values.
  void WriteConfig(const std::map<QString, QString>& values);
  // Makes the window and runs its start-up; pumps until the USB worker has reported.
  void StartWindow();

  CaltrimEnv Env();

  QTemporaryDir m_dir;
  Journal m_journal;
  FakeSession m_session{&m_journal};
  FakeBroadcast m_broadcast{&m_journal};
  FakeUsbDetection m_usb{&m_journal};
  RecordingPrompt m_prompt;
  bool m_bSessionFactoryWorks = true;
  bool m_bBroadcastFactoryWorks = true;
  bool m_bUsbFactoryWorks = true;
  std::unique_ptr<CCaltrimDlg> m_dlg;
};
