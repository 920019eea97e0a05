#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "ZAVServoSocket.h"
#include "ZAVUsbAdbDetection.h"
#include "thread/ZAVCritSec.h"
#include "calibration/CaltrimEnv.h"
#include "calibration/CalibrationMessages.h"

class CDevListDlg;
class CServoItemDlg;
class MessageBar;
class QCheckBox;
class QGroupBox;
class QLabel;
class QToolButton;

// Control ids of the main window.
constexpr int IDC_MAIN_EXIT = 1;
constexpr int IDC_MAIN_COMMAND_GROUP = 1005;
constexpr int IDC_MAIN_CONNECT = 1006;
constexpr int IDC_MAIN_RESET = 1007;
constexpr int IDC_MAIN_CALIBRATE = 1008;
constexpr int IDC_MAIN_ABOUT = 1009;
constexpr int IDC_MAIN_SELECT_ALL = 1010;
constexpr int IDC_MAIN_READ_CHECK = 1013;
constexpr int IDC_MAIN_READ_ANGLE = 1015;
constexpr int IDC_MAIN_SPARE = 1016;
constexpr int IDC_MAIN_MESSAGE = 1018;
constexpr int IDC_MAIN_STATUS = 1020;
constexpr int IDC_MAIN_SERIAL_NUMBER = 1023;
constexpr int IDC_MAIN_LANGUAGE = 1024;

// The main calibration window. It owns the link objects (discovery, session, USB detection), the
// robot selection dialog and one panel per servo; it turns the library's callbacks and posted
// messages into button states and texts.
//
// Threads: the library calls the three callback interfaces and PostMessage on its own threads.
// Everything they carry reaches the widgets on the user-interface thread, in order of arrival:
// posted messages as Qt events, session replies as queued calls, and discovery records as a
// blocking queued call (the discovery thread waits until its row is in the list).
class CCaltrimDlg : public QDialog,
                    public IZAVBroadcastEvent,
                    public IZAVSocketSessionEvent,
                    public IZAVUsbAdbEvent,
                    public IZAVNotifyWindow {
  Q_OBJECT

 public:
  // The window of the running program: real link objects, the program's Config.ini.
  explicit CCaltrimDlg(QWidget* parent = nullptr);
  // A window on env's link objects, files and prompt.
  explicit CCaltrimDlg(CaltrimEnv env, QWidget* parent = nullptr);
  ~CCaltrimDlg() override;

  // Start-up: builds the controls and panels, creates the link objects and starts the USB
  // worker. Runs once, before the window first shows; later calls do nothing.
  void OnInitDialog();

  // The message display: text with the busy look (marquee) or the idle look.
  void ShowStatus(const QString& text, bool busy);
  // Buttons and panels for connection type mode (0 none, 1 Wi-Fi, 2 USB); sets m_nConnectType.
  void UpdateConnectionUi(int mode);
  // One value of Config.ini's section "Config", or "Error" when it is missing.
  QString ReadConfigValue(const QString& key) const;
  // Releases the link objects and the panels. Safe to run more than once.
  void Shutdown();
  // Asks every servo for its stored calibration offset (when connected).
  void ReadAllCaliValues();
  // Asks every servo for its current angle.
  void ReadAllAngles();

  // IZAVNotifyWindow: queues the message for the user-interface thread.
  void PostMessage(unsigned int msg, WPARAM wParam, LPARAM lParam) override;

  // IZAVBroadcastEvent
  void OnFoundDevice(__DevInfo info) override;
  // IZAVSocketSessionEvent
  void OnReadServoCaliAngel(bool ok, int id, int value) override;
  void OnReadCurrentAngel(bool ok, int id, int angle) override;
  void OnSetCaliAngel(bool ok, int id) override;
  void OnReadSN(bool ok, const char* text, int len) override;
  void OnWriteSN(bool ok, const char* text, int len) override;
  // IZAVUsbAdbEvent: the state is asked for instead.
  void OnUsbAdbEvent(unsigned int event) override;

  CDevListDlg* DevList() const { return m_dlgDevList.get(); }
  const std::vector<CServoItemDlg*>& ServoItems() const { return m_lstServoItem; }
  MessageBar* MessageDisplay() const { return m_progress; }
  QString StatusLine() const;

  // --- State, in the order the window has always kept it. The robot selection dialog writes the
  // connection target; the USB link writes m_bUsbReady and replaces the link objects.
  QIcon m_hIcon;
  QString m_strIP;     // address of the current session's robot; empty after a link loss
  int m_nPort = 0;     // 6102 once connecting; 0 after a link loss
  QString m_strDevName;
  std::vector<CServoItemDlg*> m_lstServoItem;  // element k is servo k + 1; owned
  IZAVUsbDetection* m_pUsbDetection = nullptr;
  CIZAVSocketSession* m_pSession = nullptr;
  ZAVCritSec m_csLock;  // held by Shutdown and by each USB worker run
  std::vector<std::pair<int, int>> m_vecPendingCali;  // calibration writes not yet answered
  QWidget* m_dlgSN = nullptr;  // the serial number window, once provisioning provides it
  CIZAVBroadcastSocket* m_pBroadcast = nullptr;
  std::unique_ptr<CDevListDlg> m_dlgDevList;
  int m_nConnectType = CONNECT_NONE;
  std::atomic<bool> m_bUsbReady{false};
  IZAVSocketSessionEvent* m_pSNEvent = nullptr;
  float m_fCaliValue[MAX_SERVO_NUM] = {};

 protected:
  void setVisible(bool visible) override;
  bool event(QEvent* event) override;
  // Enter does nothing: the Exit button owns command 1.
  void accept() override;
  // Esc (Cancel): Shutdown, then close.
  void reject() override;
  // The frame's close box: Shutdown, then Cancel. A disabled window cannot be closed.
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  class WorkerHost;

  // Start-up pieces.
  bool RegisterUsbNotifications();
  bool InitSocketLayer();
  void BuildControls();
  QToolButton* MakeCommandButton(int id, const char* captionKey, int icon,
                                 const char* tooltipKey);
  void BuildPanelRow(int servoCount);
  void LoadReferenceAngles(bool setAngle);
  void StartDiscovery();
  void CreateUsbDetection();
  void StartAdbWorker();
  void CreateSerialNumberWindow();
  void SetTitle();

  // Command handlers.
  void OnAbout();
  void OnConnectButton();
  void Disconnect();
  void OnSelectAll();
  void OnLanguage();
  void OnSerialNumber();
  void StartCalibration();
  void ResetRobot();

  // Posted messages, on the user-interface thread.
  void OnMessage(unsigned int msg, WPARAM wParam, LPARAM lParam);
  void OnSessionState(WPARAM state, LPARAM reason);
  void OnUsbAdbState(WPARAM state);
  void OnConnectNotice(WPARAM kind);
  void OnServoCheckChanged(WPARAM change);

  // Session replies, on the user-interface thread.
  void ApplyCaliRead(bool ok, int id, int value);
  void ApplyAngleRead(bool ok, int id, int angle);

  CServoItemDlg* ServoItem(int id) const;
  void SetConnectButton(int mode);
  void LockPumping();
  // Runs fn on the user-interface thread: at once when already there, else queued in order.
  void RunOnUiThread(std::function<void()> fn);

  CaltrimEnv m_env;
  bool m_bInitDone = false;
  bool m_bQuitRequested = false;
  std::atomic<bool> m_bShuttingDown{false};
  std::vector<std::thread> m_adbWorkers;
  std::unique_ptr<WorkerHost> m_workerHost;
  QTimer m_timerReadCali;

  QGroupBox* m_grpCommands = nullptr;       // 1005
  QToolButton* m_btnAbout = nullptr;        // 1009
  QToolButton* m_btnConnect = nullptr;      // 1006
  QToolButton* m_btnReadCheck = nullptr;    // 1013
  QToolButton* m_btnReset = nullptr;        // 1007
  QToolButton* m_btnCalibrate = nullptr;    // 1008
  QCheckBox* m_chkAllSelect = nullptr;      // 1010
  QToolButton* m_btnSerialNumber = nullptr; // 1023
  QToolButton* m_btnExit = nullptr;         // 1
  QToolButton* m_btnReadAngle = nullptr;    // 1015
  QToolButton* m_btnLanguage = nullptr;     // 1024
  QToolButton* m_btnSpare = nullptr;        // 1016
  MessageBar* m_progress = nullptr;         // 1018
  QLabel* m_stcStatus = nullptr;            // 1020
};
