#pragma once

#include <QDialog>

#include "ZAVServoSocket.h"
#include "calibration/IConnectTarget.h"

class ICaltrimPrompt;
class QPushButton;
class QRadioButton;
class QTableWidget;

// Control ids of the robot selection dialog.
constexpr int IDC_DEVLIST_LIST = 1014;
constexpr int IDC_DEVLIST_WIFI = 1015;
constexpr int IDC_DEVLIST_USB = 1016;
constexpr int IDC_DEVLIST_REFRESH = 1018;
constexpr int IDC_DEVLIST_CONNECT = 1006;
constexpr int IDC_DEVLIST_EXIT = 1032;

// The robot selection dialog: lists every robot discovery has heard, one row per MAC text, and
// connects the main window's session to the chosen robot (Wi-Fi) or to the robot forwarded over
// USB, through the main window's IConnectTarget. Modeless and hidden between uses; the main
// window stays disabled while it is shown. Every operation runs on the user-interface thread.
//
// Keyboard: focus starts on the list when it holds robots; the arrow keys choose a row and Enter
// connects to it; Tab goes on to the mode buttons and the dialog's buttons (Alt+R Refresh,
// Alt+C Connect, Alt+X or Esc Exit).
class CDevListDlg : public QDialog {
  Q_OBJECT

 public:
  // A hidden dialog serving main (whose window owns it and outlives it); message boxes go to
  // prompt.
  CDevListDlg(IConnectTarget* main, ICaltrimPrompt* prompt);

  // Appends a row for info unless a row already carries exactly its MAC text.
  void AddDevice(const __DevInfo& info);
  // Wi-Fi mode: radio WIFI, list enabled, Connect reads "connect robot".
  void SelectWifiMode();
  // USB mode when the main window has a detection object and a robot ready on USB; asks the
  // operator when no robot is ready, and refuses when there is no detection object.
  void SelectUsbMode();
  // Empties the list and broadcasts a new search.
  void OnRefresh();
  // Starts the session in the shown mode, then closes the dialog whatever happened. Does nothing
  // while an earlier Connect is still starting its session.
  void OnConnect();
  // Hides the dialog and enables the main window again; the rows stay.
  void OnExit();

  // Centres the dialog on the main window and shows it.
  void ShowCentred();
  // Puts the keyboard where the operator starts: the list when it holds robots (Wi-Fi mode),
  // else Connect in USB mode and Refresh in Wi-Fi mode.
  void FocusStartControl();

  QTableWidget* List() const { return m_list; }
  bool IsUsbMode() const;

 protected:
  // Esc and the close box act as Exit.
  void reject() override;
  // The list's keys: Enter connects to the chosen row, Ctrl+Tab leaves the list.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnInitDialog();
  void ApplyUsbMode();
  void WifiConnect();
  void UsbConnect();
  // Starts the main window's session towards ip, or tells why it cannot.
  void StartSession(const QString& ip, int connectType);
  void ConnectAttemptFailed();
  // Enter on the list: the selected row, else the row the keyboard stands on, is connected.
  void ConnectToChosenRow();
  void Message(const QString& text, const QString& caption, unsigned int style);

  IConnectTarget* m_pMain;
  ICaltrimPrompt* m_pPrompt;
  QTableWidget* m_list = nullptr;
  QRadioButton* m_radioWifi = nullptr;
  QRadioButton* m_radioUsb = nullptr;
  QPushButton* m_btnRefresh = nullptr;
  QPushButton* m_btnConnect = nullptr;
  QPushButton* m_btnExit = nullptr;
  bool m_bConnecting = false;  // OnConnect is running
};
