// The main window's calibration records: the robot its runs are recorded for, each run kept in
// the records store (from the records module, opened on first use), the records' note after the
// status line, and the history window (from its module, opened on first use) with what the
// records answer for the connected robot.

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "app/Text.h"
#include "app/UiThread.h"
#include "calibration/CCaltrimDlg.h"
#include "calibration/CCaltrimDlgHosts.h"
#include "calibration/RunRecorder.h"
#include "calibration/WindowRecords.h"
#include "history/HistoryModule.h"
#include "records/RecordsModule.h"

namespace {

// How long the serial-number read after connecting is waited for: as long as the serial number
// window waits for its own. A reply after that is the window's.
constexpr std::chrono::milliseconds kSerialReadWait{6000};
// How long the history's question waits for this station's runs to reach a records server first.
constexpr std::chrono::seconds kHistoryFlushWait{2};

long long SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The serial number in the robot's reply to a read: what comes before its first '#' (the
// Bluetooth MAC follows it) and its first NUL; empty for a failed read.
std::string SerialOfReply(bool ok, const char* text, int len) {
  if (!ok || text == nullptr || len <= 0) return {};
  const std::string reply(text, static_cast<std::size_t>(len));
  return reply.substr(0, std::min(reply.find('\0'), reply.find('#')));
}

std::unique_ptr<IRecordsStore> OpenFromModule(const RecordsLocation& location, const RecordsStoreOptions& options,
                                              std::string* error) {
  IRecordsModule* module = LoadRecordsModule(error);
  return module != nullptr ? module->Open(location, options, error) : nullptr;
}

// The robot's runs (by its serial number, else its MAC) and every robot's spread. A server is
// first given what this station still has to send, so that its answer holds those runs too.
bool AskRecords(IRecordsStore* store, const RobotIdentity& robot, HistoryAnswer* answer, std::string* error) {
  store->Flush(kHistoryFlushWait);
  HistoryQuery query;
  query.serial = robot.serial;
  if (robot.serial.empty()) query.mac = robot.mac;
  answer->robotIdentified = !query.serial.empty() || !query.mac.empty();
  if (answer->robotIdentified && !store->History(query, &answer->runs, error)) return false;
  return store->Stats(&answer->fleet, error);
}

}  // namespace

RunRecorder& CCaltrimDlg::Recorder() {
  if (!m_recorder) {
    m_recorder = std::make_unique<RunRecorder>(ZAVNarrowToUtf8(GetFileVersionText(m_env.executablePath)),
                                               [this](const RunRecord& run) { Records().Keep(run); });
  }
  return *m_recorder;
}

WindowRecords& CCaltrimDlg::Records() {
  if (!m_records) {
    const std::wstring url = ReadIniString(L"Records", L"Url", L"", m_env.configPath.c_str());
    const std::wstring configFolder = std::filesystem::path(m_env.configPath).parent_path().wstring();
    const RecordsLocation location = ResolveRecordsLocation(
        ZAVNarrowToUtf8(url), ZAVNarrowToUtf8(m_env.recordsFolder), ZAVNarrowToUtf8(configFolder));
    m_records = std::make_unique<WindowRecords>(location, m_env.openRecords ? m_env.openRecords : OpenFromModule,
                                                [this](const QString& note) { ShowRecordsNote(note); });
  }
  return *m_records;
}

void CCaltrimDlg::StartRecording() {
  const bool usb = m_nConnectType == CONNECT_USB;
  // Over USB the window knows neither the robot's name (its list shows a fixed text) nor its MAC.
  Recorder().Connected({usb ? std::string() : m_strDevName.toStdString(), m_strIP.toStdString(),
                        usb ? std::string() : m_strMac.toStdString(), std::string()});
  if (!Records().On()) return;
  std::string error;
  Records().Store(&error);  // the note says why it could not be opened
  if (m_pSession == nullptr) return;
  // The one read records add to the link: the robot's serial number, its records' key.
  m_nRecordsSerialUntil = SteadyMs() + kSerialReadWait.count();
  m_pSession->SocketSession_ReadSN();
}

bool CCaltrimDlg::TakeRecordsSerialReply(bool ok, const char* text, int len) {
  const long long until = m_nRecordsSerialUntil.exchange(0);
  if (until == 0 || SteadyMs() > until) return false;
  ::RunOnUiThread(this, [this, serial = SerialOfReply(ok, text, len)] { Recorder().SetSerial(serial); });
  return true;
}

void CCaltrimDlg::OnSerialWritten(const std::string& serial) { Recorder().SerialWritten(serial); }

void CCaltrimDlg::ShowRecordsNote(const QString& note) {
  m_strRecordsNote = note;
  if (m_stcStatus != nullptr) m_stcStatus->setText(StatusLineShown());
}

void CCaltrimDlg::StopRecords() {
  // A records server may take seconds to answer: the window keeps serving posted events (its
  // repaint, the answer itself) meanwhile instead of freezing.
  WaitPumping([this] { return !m_bHistoryQueryRunning; });
  if (m_historyQuery.joinable()) m_historyQuery.join();
  if (m_recorder) m_recorder->Disconnected();
  if (m_records) m_records->Close();
}

// ---------------------------------------------------------------------------------------------
// The history window

void CCaltrimDlg::OnHistory() {
  const char* why = !Records().On()                          ? "IDS_HISTORY_RECORDS_OFF"
                    : !m_recorder || !m_recorder->IsConnected() ? "IDS_HISTORY_NO_ROBOT"
                                                              : nullptr;
  std::string error;
  if (why == nullptr && Records().Store(&error) == nullptr) {
    m_boxPrompt->Show(this, T("IDS_RECORDS_UNAVAILABLE") + QString::fromStdString(error), T("AFX_IDS_APP_TITLE"),
                      MB_OK | MB_ICONWARNING);
    return;
  }
  if (why != nullptr) {
    m_boxPrompt->Show(this, T(why), T("AFX_IDS_APP_TITLE"), MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (m_dlgHistory == nullptr && !CreateHistoryWindow()) return;
  m_dlgHistory->ShowRobot(m_recorder->Robot(), m_recorder->Offsets(static_cast<int>(m_lstServoItem.size())));
  QDialog* window = m_dlgHistory->Dialog();
  window->show();
  window->raise();
  window->activateWindow();
  QueryHistory();
}

bool CCaltrimDlg::CreateHistoryWindow() {
  std::string error;
  m_historyModule = m_env.loadHistory ? m_env.loadHistory(&error) : LoadHistoryModule(&error);
  if (m_historyModule == nullptr) {
    m_boxPrompt->Show(this, T("IDS_HISTORY_MODULE_MISSING") + QString::fromStdString(error), T("AFX_IDS_APP_TITLE"),
                      MB_OK | MB_ICONWARNING);
    return false;
  }
  m_dlgHistory = m_historyModule->CreateHistoryWindow(this);
  return true;
}

void CCaltrimDlg::QueryHistory() {
  if (m_bShuttingDown) return;
  if (m_bHistoryQueryRunning) {
    m_bHistoryQueryAgain = true;  // asked once the question under way is answered
    return;
  }
  if (m_historyQuery.joinable()) m_historyQuery.join();
  std::string error;
  IRecordsStore* store = Records().Store(&error);
  if (store == nullptr) {
    m_dlgHistory->ShowFailure(error);
    return;
  }
  const RobotIdentity robot = m_recorder->Robot();
  // Off this thread: a records server may take its time to answer.
  const auto ask = [this, store, robot] {
    auto answer = std::make_shared<HistoryAnswer>();
    std::string failure;
    const bool answered = AskRecords(store, robot, answer.get(), &failure);
    ::RunOnUiThread(this, [this, answer, answered, failure] {
      m_bHistoryQueryRunning = false;
      // Asked again meanwhile (another robot, perhaps): this answer is out of date.
      if (std::exchange(m_bHistoryQueryAgain, false)) {
        QueryHistory();
      } else if (answered) {
        m_dlgHistory->ShowAnswer(*answer);
      } else {
        m_dlgHistory->ShowFailure(failure);
      }
    });
  };
  m_bHistoryQueryRunning = true;
  try {
    m_historyQuery = StartThread(ask);
  } catch (const std::system_error& failure) {
    m_bHistoryQueryRunning = false;
    m_dlgHistory->ShowFailure(failure.what());
  }
}
