#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "ZAVServoSocket.h"
#include "ZAVUsbAdbDetection.h"
#include "calibration/usb/IUsbDeviceEvents.h"
#include "records/RecordsStore.h"

class ICaltrimPrompt;
class IHistoryModule;
class IProvisioningModule;
class IQRScanEvent;

// What the main calibration window takes from outside: the factories of the link objects, the
// files it reads and the prompt for message boxes. The program uses DefaultCaltrimEnv(); tests
// hand in doubles and files of their own.
struct CaltrimEnv {
  // Each stores a new object through its argument and returns true, as the library factories do.
  std::function<bool(CIZAVSocketSession**)> createSession;
  std::function<bool(CIZAVBroadcastSocket**)> createBroadcast;
  std::function<bool(IZAVUsbDetection**)> createUsbDetection;
  // Full path of Config.ini (section "Config": ServoNum, ID1..IDn).
  std::wstring configPath;
  // The window title shows this file's version.
  std::wstring executablePath;
  // Shows every message box of the windows; never null, not owned.
  ICaltrimPrompt* prompt = nullptr;
  // The source of USB device arrivals and removals, made once at start-up. Empty: the window
  // hears of no device.
  std::function<std::unique_ptr<IUsbDeviceEvents>()> createUsbDeviceEvents;
  // Starts a worker thread running body, or throws std::system_error as std::thread does when the
  // system has no thread to give. Empty: std::thread.
  std::function<std::thread(std::function<void()>)> startThread;
  // Opens the serial-number tools, the first time their window is asked for: the module, or null
  // with the reason in its argument. Empty: LoadProvisioningModule (the module beside the program).
  std::function<IProvisioningModule*(std::string*)> loadProvisioning;
  // Starts the QR scanner with the serial number window as its sink. Empty: the module's.
  std::function<bool(IQRScanEvent**)> startQRScan;
  // The folder of the session logs, where the records go by default (records.sqlite); a relative
  // [Records] Url of Config.ini is taken from Config.ini's folder.
  std::wstring recordsFolder;
  // Opens the records store, the first time the window records or shows the history: as
  // OpenRecordsStore does. Empty: the records module beside the program (LoadRecordsModule).
  using RecordsOpener =
      std::function<std::unique_ptr<IRecordsStore>(const RecordsLocation&, const RecordsStoreOptions&, std::string*)>;
  RecordsOpener openRecords;
  // Opens the history window's module, the first time the history is asked for: the module, or
  // null with the reason. Empty: LoadHistoryModule (the module beside the program).
  std::function<IHistoryModule*(std::string*)> loadHistory;
  // The production line's switch (--provisioning): shows the serial-number and language buttons.
  // Config.ini's "Provisioning=1" shows them too.
  bool provisioning = false;
  // How long a calibration run waits for its replies (TIMER_CALI_TIMEOUT).
  int caliTimeoutMs = 6000;
};

// The real link library, the outside USB detection library, udev's device events, the program's
// Config.ini and QMessageBox prompts.
CaltrimEnv DefaultCaltrimEnv();
