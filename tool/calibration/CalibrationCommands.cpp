#include "calibration/CalibrationCommands.h"

#include <QLineEdit>

#include "calibration/CServoItemDlg.h"
#include "calibration/CalibrationMessages.h"

namespace {
constexpr int kReadCaliPauseMs = 500;
}

CalibrationCommands::CalibrationCommands(ICalibrationHost* host) : m_host(host) {
  m_timerReadCali.setSingleShot(true);
  m_timerReadCali.setInterval(kReadCaliPauseMs);
  QObject::connect(&m_timerReadCali, &QTimer::timeout, &m_timerReadCali,
                   [this] { m_host->EnableReadCheck(true); });
}

CServoItemDlg* CalibrationCommands::ServoItem(int id) const {
  const std::vector<CServoItemDlg*>& panels = m_host->ServoItems();
  if (id < 1 || id > static_cast<int>(panels.size())) return nullptr;
  return panels[id - 1];
}

void CalibrationCommands::ReadAllCaliValues() {
  CIZAVSocketSession* session = m_host->Session();
  if (m_host->ConnectType() == CONNECT_NONE || session == nullptr) return;
  for (int id = 1; id <= static_cast<int>(m_host->ServoItems().size()); ++id) {
    session->SocketSession_ReadServoCaliAngel(id);
  }
  m_host->EnableReadCheck(false);
  m_timerReadCali.start();
}

void CalibrationCommands::ReadAllAngles() {
  CIZAVSocketSession* session = m_host->Session();
  if (session == nullptr) return;
  for (int id = 1; id <= static_cast<int>(m_host->ServoItems().size()); ++id) {
    session->SocketSession_ReadCurrentAngel(id);
  }
}

void CalibrationCommands::StartCalibration() {
  // Writing the selected offsets arrives with the calibration commands.
}

void CalibrationCommands::ResetRobot() {
  // Moving every servo to its reference angle arrives with the calibration commands.
}

void CalibrationCommands::ApplyCaliRead(bool ok, int id, int value) {
  CServoItemDlg* panel = ServoItem(id);
  if (panel == nullptr) return;
  panel->EnablePanel(ok);
  panel->SetLastOk(ok);
  panel->OffsetBox()->setText(QString::number(value));
  panel->m_nBaseCali = value;
  m_host->CaliValue(id) = static_cast<float>(value);
}

void CalibrationCommands::ApplyAngleRead(bool ok, int id, int angle) {
  CServoItemDlg* panel = ServoItem(id);
  if (panel == nullptr) return;
  panel->AngleBox()->setText(QString::number(angle));
  panel->EnablePanel(ok);
}

void CalibrationCommands::OnSetCaliAngel(bool, int) {
  // Matching write replies to m_vecPendingCali arrives with the calibration commands.
}
