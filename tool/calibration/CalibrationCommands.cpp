#include "calibration/CalibrationCommands.h"

#include <QLineEdit>
#include <QStringList>
#include <chrono>
#include <cmath>
#include <system_error>

#include "app/Text.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/CalibrationMessages.h"
#include "calibration/RunRecorder.h"
#include "calibration/rules/CalibrationModel.h"

namespace {
constexpr int kReadCaliPauseMs = 500;
constexpr int kResetTravelMs = 2000;
constexpr auto kResetPause = std::chrono::milliseconds(50);

QString Text(std::string_view word) {
  return QString::fromLatin1(word.data(), static_cast<int>(word.size()));
}
}  // namespace

CalibrationCommands::CalibrationCommands(ICalibrationHost* host) : m_host(host) {
  m_timerReadCali.setObjectName(QString::number(TIMER_READ_CALI));
  m_timerReadCali.setSingleShot(true);
  m_timerReadCali.setInterval(kReadCaliPauseMs);
  QObject::connect(&m_timerReadCali, &QTimer::timeout, &m_timerReadCali,
                   [this] { m_host->EnableReadCheck(true); });
  m_timerCaliTimeout.setObjectName(QString::number(TIMER_CALI_TIMEOUT));
  m_timerCaliTimeout.setSingleShot(true);
  // A coarse timer may fire up to 5 % early; a run waits its full time for late replies.
  m_timerCaliTimeout.setTimerType(Qt::PreciseTimer);
  QObject::connect(&m_timerCaliTimeout, &QTimer::timeout, &m_timerCaliTimeout, [this] {
    if (m_vecPendingCali.TimeOut()) EndCalibrationRun();
  });
}

CalibrationCommands::~CalibrationCommands() { JoinWorker(); }

void CalibrationCommands::JoinWorker() {
  if (m_caliWorker.joinable()) m_caliWorker.join();
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

// ---------------------------------------------------------------------------------------------
// Calibrate

void CalibrationCommands::StartCalibration() {
  SelectedBoxes boxes;
  for (CServoItemDlg* panel : m_host->ServoItems()) {
    if (panel->IsSelected()) boxes.emplace_back(panel->ServoId(), panel->OffsetBox()->text().toStdString());
  }
  if (boxes.empty()) {
    m_host->ShowMessage(T("IDS_SELECT_STEERING_CORRECTION"));
    return;
  }
  JoinWorker();  // the last run's worker ended with its sending
  m_timerCaliTimeout.start(m_host->CaliTimeoutMs());
  m_host->SetCalibrateIdle(false);
  m_host->ShowStatus(T("IDS_CORRECTING_STEERING_ANGLE"), true);
  m_host->Recorder().CalibrationBegun();
  m_vecPendingCali.Begin();
  try {
    m_caliWorker = m_host->StartThread([this, boxes] { CaliWorkerThread(boxes); });
  } catch (const std::system_error&) {
    // No thread to be had: the same work, on this thread.
    CaliWorkerThread(boxes);
  }
}

void CalibrationCommands::CaliWorkerThread(const SelectedBoxes& boxes) {
  // Held for the whole run, so the session is not released while it is written to.
  ZAVAutoLock hold(&m_host->CommandLock());
  CIZAVSocketSession* session = m_host->Session();
  for (const auto& [id, text] : boxes) {
    const std::optional<int> value = WritableOffset(text);
    if (!value) {
      m_host->RunOnUiThread([this, id = id] {
        if (CServoItemDlg* panel = ServoItem(id)) panel->OffsetBox()->setText(Text(kCaliFalse));
      });
      continue;
    }
    m_host->RunOnUiThread([this, id = id, v = *value] {
      if (CServoItemDlg* panel = ServoItem(id)) panel->OffsetBox()->setText(Text(kCaliWait));
      m_host->CaliValue(id) = static_cast<float>(v);
    });
    // The pair is pending before its write goes out, so even an instant reply finds it.
    m_vecPendingCali.AddPending(id, *value);
    if (session != nullptr) session->SocketSession_SetCaliAngel(id, *value);
  }
  if (m_vecPendingCali.SendingDone()) m_host->RunOnUiThread([this] { EndCalibrationRun(); });
}

void CalibrationCommands::OnSetCaliAngel(bool ok, int id) {
  const CalibrationRun::Reply reply = m_vecPendingCali.Answer(id, ok);
  m_host->RunOnUiThread([this, ok, id, reply] { ApplyCaliWrite(ok, id, reply); });
}

void CalibrationCommands::ApplyCaliWrite(bool ok, int id, CalibrationRun::Reply reply) {
  // A robot may answer for any id; only a servo with a panel has a value last sent.
  if (CServoItemDlg* panel = ServoItem(id)) {
    const int lastSent = static_cast<int>(std::lround(m_host->CaliValue(id)));
    panel->SetLastOk(ok);
    panel->OffsetBox()->setText(Text(ok ? kCaliOk : kCaliFailed));
    if (ok) panel->m_nBaseCali = reply.value ? *reply.value : lastSent;
    // A reply without a pending write is no part of a run (its run timed out): it only tells
    // what the servo holds now.
    if (!reply.value) m_host->Recorder().LateWriteAnswer(id, ok, lastSent);
  }
  if (reply.endsRun) EndCalibrationRun();
}

bool CalibrationCommands::EndRunWithLink() {
  if (!m_vecPendingCali.TimeOut()) return false;
  m_timerCaliTimeout.stop();
  m_host->Recorder().CalibrationEnded(m_vecPendingCali.Writes());
  m_host->SetCalibrateIdle(true);
  return true;
}

void CalibrationCommands::EndCalibrationRun() {
  m_timerCaliTimeout.stop();
  m_host->Recorder().CalibrationEnded(m_vecPendingCali.Writes());
  if (m_host->ShuttingDown()) return;
  m_host->SetCalibrateIdle(true);
  m_host->ShowStatus(T("IDS_CHECK_ENGINE_SUCCESS"), false);
}

// ---------------------------------------------------------------------------------------------
// Reset

void CalibrationCommands::ResetRobot() {
  CIZAVSocketSession* session = m_host->Session();
  QStringList skipped;
  std::vector<std::pair<int, int>> moves;
  for (CServoItemDlg* panel : m_host->ServoItems()) {
    const int id = panel->ServoId();
    const std::optional<int> reference = ServoAngle(panel->ReferenceBox()->text().toStdString());
    if (!reference) {
      skipped << QString::number(id);
      continue;
    }
    if (session != nullptr) {
      session->SocketSession_SetCurrentAngel(id, *reference, kResetTravelMs);
      moves.emplace_back(id, *reference);
    }
    panel->ShowAngle(*reference);
    panel->OffsetBox()->setText(QString::asprintf("%.0f", m_host->CaliValue(id)));
    // No events are handled here (nothing can re-enter); the panel shows its change at once.
    panel->repaint();
    std::this_thread::sleep_for(kResetPause);
  }
  if (!skipped.isEmpty()) {
    m_host->SetStatusLine(T("IDS_RESET_SKIPPED_SERVOS") + skipped.join(QStringLiteral(", ")));
  }
  m_host->Recorder().ResetSent(moves);
}

// ---------------------------------------------------------------------------------------------
// Replies to reads

void CalibrationCommands::ApplyCaliRead(bool ok, int id, int value) {
  CServoItemDlg* panel = ServoItem(id);
  if (panel == nullptr) return;
  panel->EnablePanel(ok);
  panel->SetLastOk(ok);
  panel->OffsetBox()->setText(QString::number(value));
  panel->m_nBaseCali = value;
  m_host->CaliValue(id) = static_cast<float>(value);
  m_host->Recorder().OffsetRead(id, ok ? std::optional<int>(value) : std::nullopt);
}

void CalibrationCommands::ApplyAngleRead(bool ok, int id, int angle) {
  CServoItemDlg* panel = ServoItem(id);
  if (panel == nullptr) return;
  // Only a good read tells where the servo stands; a failed one shows its value all the same.
  ok ? panel->ShowAngle(angle) : panel->AngleBox()->setText(QString::number(angle));
  panel->EnablePanel(ok);
}
