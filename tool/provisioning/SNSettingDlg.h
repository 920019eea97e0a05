#pragma once

#include <QDialog>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ZAVServoSocket.h"
#include "provisioning/CHttpOper.h"
#include "provisioning/IQRScanEvent.h"
#include "provisioning/ProvisioningModule.h"
#include "provisioning/SerialNumberFlow.h"

class ICaltrimPrompt;
class QLabel;
class QLineEdit;
class QPushButton;

// Control ids of the serial number window.
constexpr int IDC_SN_READ = 1024;
constexpr int IDC_SN_SERIAL = 1025;
constexpr int IDC_SN_SET = 1026;

// The serial number window: reads the robot's equipment serial number and writes a new one
// (typed, or scanned from a QR code) through the verify / write / read-back / confirm sequence of
// SerialNumberFlow. Modeless; created hidden by the main window, which hands it the session and
// forwards the session's two serial-number events to it. Each time it goes from hidden to visible
// it reads the robot's number. The scanner's live view, once embedded, fills the area above the
// bottom strip of three controls.
//
// Threads. Widgets and the flow are used only on the user-interface thread.
//  - OnReadSN/OnWriteSN arrive on the session's receive thread. Each is carried to the
//    user-interface thread by a blocking queued invocation, in order of arrival, and the receive
//    thread waits meanwhile, message boxes included; a confirm request runs on the receive thread
//    itself, so reception from the robot waits for it too.
//  - OnScanResult and OnScanWindow arrive on the scanner's threads and are queued.
//  - The verify request runs on a helper thread while the user-interface thread waits for it
//    with the busy cursor: the window repaints and posted work runs, user input waits.
class SNSettingDlg : public QDialog,
                    public IQRScanEvent,
                    public IZAVSocketSessionEvent,
                    public ISerialNumberWindow {
  Q_OBJECT

 public:
  // Dialog template of the window.
  static constexpr int IDD = 147;

  // A hidden window owned by owner; message boxes go to prompt (not owned, never null), the
  // service requests to httpOper.
  SNSettingDlg(QWidget* owner, ICaltrimPrompt* prompt,
               std::unique_ptr<CHttpOper> httpOper = std::make_unique<CHttpOper>());
  // Ends the QR scanning that feeds this window (StopQRScan) before the window goes.
  ~SNSettingDlg() override;

  // ISerialNumberWindow: the main window's view of it.
  QDialog* Dialog() override { return this; }
  // The session the robot operations use (not owned; may be null). The main window calls it
  // whenever it creates or releases a session. User-interface thread only.
  void SetSession(CIZAVSocketSession* session) override { m_pSession = session; }
  IZAVSocketSessionEvent* SessionEvents() override { return this; }
  // What StartQRScan takes as its sink: the address of m_pQRScanEvent.
  IQRScanEvent** ScanSink() override { return &m_pQRScanEvent; }
  CIZAVSocketSession* Session() const { return m_pSession; }

  // Period of the time-out timer (1000 ms; tests shorten it). The time-out still comes on the
  // sixth tick.
  void SetTickPeriod(std::chrono::milliseconds period) { m_timer.setInterval(period); }

  // The embedded scanner view, or null while there is none.
  QWidget* ScanView() const { return m_wndScanView; }
  // Whether no scanner runs for the window (none started: no camera). While none does and no
  // view is embedded, the view area says so and how to go on.
  void ShowCameraMissing(bool missing) override;
  void SetSerialWritten(std::function<void(const std::string&)> written) override {
    m_onSerialWritten = std::move(written);
  }

  // IZAVSocketSessionEvent: only the serial-number events do something here.
  void OnReadServoCaliAngel(bool, int, int) override {}
  void OnReadCurrentAngel(bool, int, int) override {}
  void OnSetCaliAngel(bool, int) override {}
  void OnReadSN(bool ok, const char* data, int len) override;
  void OnWriteSN(bool ok, const char* reply, int len) override;

  // IQRScanEvent
  void OnScanResult(std::wstring text) override;
  void OnScanWindow(std::wstring title) override;

  // Button handlers.
  void OnBnClickedRead();
  void OnBnClickedSet();

 protected:
  // Going from hidden to visible reads the robot's number; showing a visible window does not.
  void setVisible(bool visible) override;
  void resizeEvent(QResizeEvent* event) override;
  // Enter does nothing: the window stays open.
  void accept() override {}

 private:
  void OnInitDialog();
  void OnEnChangeSerial(const QString& text);
  void OnTimer();
  void Layout();
  void EmbedScanView(const std::wstring& title);

  // Feeds one input to the flow on the user-interface thread and carries out its actions; a
  // service request it asks for runs off that thread and its answer is fed back, until the flow
  // asks for nothing more.
  void Drive(std::function<SnActions()> input);
  // Carries out actions on the user-interface thread; returns a trailing service request.
  std::optional<SnAction> Apply(const SnActions& actions);
  void ShowMessage(const SnMessage& message);
  void SetControlsEnabled(bool enabled);
  // fn off the user-interface thread: directly when called elsewhere, else on a helper thread
  // while this thread waits without taking user input.
  void OffUiThread(const std::function<void()>& fn);

  IQRScanEvent* m_pQRScanEvent = nullptr;
  QWidget* m_wndScanView = nullptr;  // container of the scanner's window, which zbar owns
  QLabel* m_stcNoCamera = nullptr;   // in the view area while no scanner runs
  std::unique_ptr<CHttpOper> m_httpOper;
  SerialNumberFlow m_flow;  // the number to write, the robot's MAC, the pending write
  CIZAVSocketSession* m_pSession = nullptr;
  QLineEdit* m_edtSerial = nullptr;  // 1025
  QPushButton* m_btnRead = nullptr;  // 1024
  QPushButton* m_btnSet = nullptr;   // 1026
  QTimer m_timer;                    // 1000
  ICaltrimPrompt* m_pPrompt;
  bool m_bCentred = false;
  std::function<void(const std::string&)> m_onSerialWritten;
};
