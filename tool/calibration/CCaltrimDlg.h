#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "ZAVCritSec.h"
#include "ZAVServoSocket.h"
#include "ZAVUsbAdbDetection.h"
#include "calibration/CaltrimEnv.h"
#include "calibration/CalibrationMessages.h"
#include "calibration/MainWindowLayout.h"

class CalibrationCommands;
class CDevListDlg;
class IHistoryModule;
class IHistoryWindow;
class QAction;
class RunRecorder;
class WindowRecords;
class IUsbDeviceEvents;
class UsbLink;
class CServoItemDlg;
class DialogUnits;
class MessageBar;
class QCheckBox;
class QGroupBox;
class QLabel;
class QScrollArea;
class QToolButton;
class IProvisioningModule;
class ISerialNumberWindow;

// The window-menu item of the original program, shown in the context menu and the About
// button's menu.
inline constexpr char kAboutMenuText[] = "关于 Caltrim(&A)...";

// The main calibration window. It owns the link objects (discovery, session, USB detection), the
// robot selection dialog and one panel per servo; it turns the library's callbacks and posted
// messages into button states and texts. Its code lives in files by concern: display and
// commands (CCaltrimDlg.cpp), start-up (CCaltrimDlgStartUp.cpp), shut-down and closing
// (CCaltrimDlgShutdown.cpp), posted messages and library callbacks (CCaltrimDlgEvents.cpp), the
// calibration records and the history window (CCaltrimDlgRecords.cpp), and the views its helpers
// get of it (CCaltrimDlgHosts.cpp); the control table (MainWindowLayout),
// the connection rules (ConnectionRules) and the calibration commands (CalibrationCommands) are
// units of their own.
//
// Threads: the library calls the three callback interfaces and PostMessage on its own threads.
// Everything they carry reaches the widgets on the user-interface thread, in order of arrival:
// posted messages as Qt events, session replies as queued calls, and discovery records as a
// blocking queued call (the discovery thread waits until its row is in the list).
//
// No thread waits for the operator while this thread may have to wait for it: every message box
// of the window and the windows it owns goes through one prompt, and while one is open (a session
// or worker thread may be waiting for its answer) USB device events, whose handling stops
// threads and takes the worker lock, are only queued; so they are during a library call, whose
// waits serve events. They are handled, in order, once neither is under way.
class CCaltrimDlg : public QDialog,
                    public IZAVBroadcastEvent,
                    public IZAVSocketSessionEvent,
                    public IZAVUsbAdbEvent,
                    public IZAVNotifyWindow {
  Q_OBJECT

 public:
  // A window on env's link objects, files and prompt; the program hands in DefaultCaltrimEnv().
  explicit CCaltrimDlg(CaltrimEnv env, QWidget* parent = nullptr);
  ~CCaltrimDlg() override;

  // Start-up: builds the controls and panels, and has the link objects created and the USB worker
  // started as soon as the event loop runs. Runs once, before the window first shows; later calls
  // do nothing.
  void OnInitDialog();

  // The message display: text with the busy look (marquee) or the idle look.
  void ShowStatus(const QString& text, bool busy);
  // Buttons and panels for connection type mode (0 none, 1 Wi-Fi, 2 USB); sets m_nConnectType.
  void UpdateConnectionUi(int mode);
  // One value of Config.ini's section "Config", or "Error" when it is missing.
  QString ReadConfigValue(const QString& key) const;
  // Releases the link objects and the panels. Safe to run more than once; a run entered from one
  // of its own waits returns at once. From its start on, posted messages change nothing.
  void Shutdown();
  // Hands m_pSession to the serial number window. Call whenever m_pSession is set, replaced or
  // cleared (a new session on a USB robot's arrival, none at shut-down).
  void OnSessionChanged();

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
  // The status line's text, without the records' note that may follow it.
  QString StatusLine() const { return m_strStatusLine; }
  // The status line as shown: its text, then the records' note ("records: 2 waiting") if any.
  QString StatusLineShown() const;
  // The window's menu entry "Calibration history..." (the context menu, the About button's menu,
  // Alt+H).
  QAction* HistoryAction() const { return m_actHistory; }
  // The history window, once it was asked for; null before.
  IHistoryWindow* HistoryWindow() const { return m_dlgHistory; }

  // --- State, in the order the window has always kept it. The robot selection dialog writes the
  // connection target through its IConnectTarget view; the USB link writes m_bUsbReady and
  // replaces the link objects.
  QIcon m_hIcon;
  QString m_strIP;     // address of the current session's robot; empty after a link loss
  int m_nPort = 0;     // 6102 once connecting; 0 after a link loss
  QString m_strDevName;
  QString m_strMac;  // the robot's MAC as discovery gave it; empty over USB
  std::vector<CServoItemDlg*> m_lstServoItem;  // element k is servo k + 1; owned
  IZAVUsbDetection* m_pUsbDetection = nullptr;
  CIZAVSocketSession* m_pSession = nullptr;
  ZAVCritSec m_csLock;  // held by Shutdown, each USB worker run and each calibration worker run
  // The serial number window, hidden until its button; owned (a child). Made, with the module that
  // carries it, the first time its button is pressed.
  ISerialNumberWindow* m_dlgSN = nullptr;
  CIZAVBroadcastSocket* m_pBroadcast = nullptr;
  std::unique_ptr<CDevListDlg> m_dlgDevList;
  int m_nConnectType = CONNECT_NONE;
  std::atomic<bool> m_bUsbReady{false};
  // Set once the serial number window exists; read on the session's receive thread.
  std::atomic<IZAVSocketSessionEvent*> m_pSNEvent{nullptr};
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
  // Re-enabled, the window gives the focus back to the control that had it.
  void changeEvent(QEvent* event) override;

 private:
  // The views the window's helpers get of it (CCaltrimDlgHosts.cpp). WorkerHost serves the USB
  // link: its worker runs, and the device events it hears.
  class WorkerHost;
  class CalibrationHost;
  class ConnectTarget;
  class PanelHost;
  class BoxPrompt;

  // Held around a call into the link library that may wait while handling events (StartConnect,
  // StopConnect): a close asked for meanwhile is carried out once the call has returned, so no
  // link object is released under it.
  class LibraryCall {
   public:
    explicit LibraryCall(CCaltrimDlg* dlg);
    ~LibraryCall();
    LibraryCall(const LibraryCall&) = delete;
    LibraryCall& operator=(const LibraryCall&) = delete;

   private:
    CCaltrimDlg* m_dlg;
  };

  // Start-up pieces (CCaltrimDlgStartUp.cpp).
  // False with the system's text for the error in *error.
  bool RegisterUsbNotifications(std::string* error);
  void BuildControls(const DialogUnits& du);
  // "Calibration history...": the action, and the About button's menu that holds it.
  void BuildHistoryEntry();
  void BuildPanelRow(int servoCount);
  // The window grows to the panel row's width, but no wider than the screen: the row then
  // scrolls.
  void FitWindowToPanelRow(const DialogUnits& du);
  // The production line's switch: the serial-number and language buttons are shown.
  void ShowProvisioningButtons(const DialogUnits& du);
  void LoadReferenceAngles(bool setAngle);
  // Steps 6 to 9 of start-up: the robot selection dialog, discovery, the session, USB detection
  // and its worker.
  void StartLinkObjects();
  void StartDiscovery();
  // A new detection object, Init-ed for this window, or null.
  IZAVUsbDetection* CreateUsbDetection();
  // Opens the provisioning module and makes the serial number window; false, with a box that
  // gives the reason, when the module cannot be loaded.
  bool CreateSerialNumberWindow();
  void SetTitle();

  // Command handlers.
  void OnAbout();
  void OnConnectButton();
  void Disconnect();
  // StopConnect of the session, when there is one, as a library call.
  void StopSession();
  // The session has ended (Disconnect, link loss, the USB robot gone): a calibration run under
  // way ends with it, and the message display says so, idle; else it shows key's text (key may be
  // null: then nothing).
  void ShowSessionEnded(const char* key);
  void OnSelectAll();
  // Keyboard focus: now (any widget of the program) has it. Remembered when it is this window's;
  // a panel it lies in is scrolled into view.
  void OnFocusChanged(QWidget* now);
  // Once connected, the keyboard starts at the first panel's angle box.
  void FocusFirstPanel();
  void OnLanguage();
  void OnSerialNumber();
  void SetStatusLine(const QString& text);

  // The calibration records and the history window (CCaltrimDlgRecords.cpp).
  // What the window's runs did, built into records; made on first use.
  RunRecorder& Recorder();
  // Where the records go (Config.ini's [Records] Url), opened on first use.
  WindowRecords& Records();
  // Connected: the robot becomes the one recorded; with records on the store is opened and the
  // robot's serial number read once.
  void StartRecording();
  // On the session's receive thread: true when a serial-number reply answers the read of
  // StartRecording (the recorder takes it); false for the serial number window's own.
  bool TakeRecordsSerialReply(bool ok, const char* text, int len);
  // The serial number window's write was acknowledged by the robot.
  void OnSerialWritten(const std::string& serial);
  void ShowRecordsNote(const QString& note);
  void OnHistory();
  bool CreateHistoryWindow();
  // Asks the records for the robot's runs and every robot's spread on a thread of its own; the
  // answer goes to the history window on this thread.
  void QueryHistory();
  // Waits for that thread, then closes the records (shut-down).
  void StopRecords();

  // Posted messages, on the user-interface thread.
  void OnMessage(unsigned int msg, WPARAM wParam, LPARAM lParam);
  void OnSessionState(WPARAM state, LPARAM reason);
  void OnUsbAdbState(WPARAM state);
  void OnConnectNotice(WPARAM kind);
  void OnServoCheckChanged(WPARAM change);

  // Handles the queued USB device events, unless a box is open or a library call is under way;
  // HandleDeviceEventsLater asks for that from the event loop, once the caller's turn is over.
  void HandleDeviceEvents();
  void HandleDeviceEventsLater();

  QToolButton* Button(int id) const;
  // A worker thread running body, through m_env.startThread when the environment gives one.
  std::thread StartThread(std::function<void()> body);
  // Waits until done() holds, serving posted events (never user input) meanwhile.
  void WaitPumping(const std::function<bool()>& done);
  void LockPumping();
  // True when a close must wait (shut-down or a library call under way); the close is then only
  // recorded. CloseIfRequested carries a recorded close out once nothing is under way.
  bool CloseMustWait();
  void CloseIfRequested();

  CaltrimEnv m_env;
  bool m_bInitDone = false;
  bool m_bQuitRequested = false;
  bool m_bPainted = false;  // for the start-up trace
  std::atomic<bool> m_bShuttingDown{false};  // set for good once shut-down has begun
  bool m_bInShutdown = false;                 // Shutdown is running
  int m_nLibraryCalls = 0;                    // LibraryCall scopes open
  int m_nOpenBoxes = 0;                       // message boxes open, through m_boxPrompt
  bool m_bCloseRequested = false;             // a close arrived while one had to wait
  bool m_bQRScanStarted = false;              // a scanner runs for m_dlgSN (started on a show)
  IProvisioningModule* m_provisioning = nullptr;  // once the serial number window was asked for
  std::unique_ptr<WorkerHost> m_workerHost;
  std::unique_ptr<UsbLink> m_usbLink;              // owns the worker threads
  std::unique_ptr<IUsbDeviceEvents> m_usbEvents;  // null until registered
  std::unique_ptr<CalibrationHost> m_calibrationHost;
  std::unique_ptr<CalibrationCommands> m_calibration;
  std::unique_ptr<ConnectTarget> m_connectTarget;
  std::unique_ptr<PanelHost> m_panelHost;
  std::unique_ptr<BoxPrompt> m_boxPrompt;  // m_env.prompt, counting the boxes open
  std::unique_ptr<RunRecorder> m_recorder;
  std::unique_ptr<WindowRecords> m_records;
  // Until then (steady clock, ms; 0: none) the next serial-number reply answers the records' read.
  std::atomic<long long> m_nRecordsSerialUntil{0};
  QString m_strStatusLine;   // the status line's own text
  QString m_strRecordsNote;  // shown after it
  QAction* m_actHistory = nullptr;
  IHistoryModule* m_historyModule = nullptr;  // once the history was asked for
  IHistoryWindow* m_dlgHistory = nullptr;     // owned (a child); made with the module
  std::thread m_historyQuery;                 // the records' answer for the history window
  std::atomic<bool> m_bHistoryQueryRunning{false};
  bool m_bHistoryQueryAgain = false;          // asked again while one ran

  QPointer<QWidget> m_lastFocus;        // the control of this window that had the focus last
  QScrollArea* m_panelArea = nullptr;   // holds the panel row
  QGroupBox* m_grpCommands = nullptr;   // 1005
  QToolButton* m_btnConnect = nullptr;  // 1006
  QCheckBox* m_chkAllSelect = nullptr;  // 1010
  MessageBar* m_progress = nullptr;     // 1018
  QLabel* m_stcStatus = nullptr;        // 1020
};
