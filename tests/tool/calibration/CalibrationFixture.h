#pragma once

// The main window on fakes of the link objects, whose Release only notes itself in a journal.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ZAVUsbAdbDetection.h"
#include "app/QtUiHost.h"
#include "calibration/CCaltrimDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/usb/IUsbDeviceEvents.h"
#include "outside/uibase/TempFolder.h"
#include "provisioning/module/ProvisioningModuleImpl.h"
#include "tool/app/QtTestApp.h"
#include "tool/calibration/LinkDoubles.h"

class FakeBroadcast : public CIZAVBroadcastSocket {
 public:
  explicit FakeBroadcast(Journal* journal) : m_journal(journal) {}

  bool StartBroadcast(HWND, IZAVBroadcastEvent*) override { return startResult; }
  bool Release() override {
    m_journal->push_back("broadcast");
    return true;
  }
  bool SendData(const char*, int) override { return true; }
  bool SendCmd(int, std::string* text) override {
    delete text;
    return true;
  }
  int SearchDevice() override { return ++searches; }
  std::list<__DevInfo*>* GetDevList() override { return nullptr; }
  void ClearDevList() override {}

  bool startResult = true;
  int searches = 0;

 private:
  Journal* m_journal;
};

// Answers GetDeviceState from a list, then 0, and notes a use after its Release; the USB worker
// asks from its own thread.
class FakeUsbDetection : public IZAVUsbDetection {
 public:
  explicit FakeUsbDetection(Journal* journal) : m_journal(journal) {}

  bool Init(int, IZAVUsbAdbEvent*, HWND) override { return true; }
  void Release() override {
    if (onRelease) std::exchange(onRelease, nullptr)();
    released = true;
    m_journal->push_back("usb");
  }
  bool ForwardPort(int port) override {
    std::lock_guard<std::mutex> guard(m_lock);
    forwards.push_back(port);
    return true;
  }
  bool RemoveForward(int) override { return true; }
  std::string GetDeviceSerial() override { return std::string(); }
  int GetDeviceState() override {
    usedAfterRelease = usedAfterRelease || released;
    ++asked;
    while (hold) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard<std::mutex> guard(m_lock);
    if (states.empty()) return 0;
    const int state = states.front();
    states.pop_front();
    return state;
  }
  bool StopServer() override { return true; }
  bool Recover() override {
    std::lock_guard<std::mutex> guard(m_lock);
    return ++recovers > 0;
  }

  std::deque<int> states;
  std::atomic<int> asked{0};
  std::atomic<bool> hold{false};   // GetDeviceState waits while it is set
  std::function<void()> onRelease;  // run once, inside the next Release
  std::atomic<bool> released{false}, usedAfterRelease{false};
  std::vector<int> forwards;
  int recovers = 0;

 private:
  std::mutex m_lock;
  Journal* m_journal;
};

// The window's USB device events, sent by the test. With failure set, registration fails with
// that text.
class InjectedUsbEvents : public IUsbDeviceEvents {
 public:
  explicit InjectedUsbEvents(std::string failure) : m_failure(std::move(failure)) {}
  bool Register(IUsbDeviceSink* sink, std::string* error) override {
    m_sink = sink;
    *error = m_failure;
    return m_failure.empty();
  }
  void Send(UsbDeviceChange change, const std::string& interfaceName) {
    m_sink->OnUsbDeviceChange(change, interfaceName);
  }

 private:
  std::string m_failure;
  IUsbDeviceSink* m_sink = nullptr;
};

inline void PumpPending() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

const QString kIndent(39, QLatin1Char(' '));  // before every idle text of the message display

template <typename W>
W* Control(const QWidget* parent, int id) {
  return parent->findChild<W*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

// The window as the program runs it: the Qt UI host installed for the link library's seam.
class CalibrationFixture : public ::testing::Test {
 protected:
  CalibrationFixture() {
    QtTestApp();
    m_uiHost = std::make_unique<QtUiHost>();
    ZAVSetUiHost(m_uiHost.get());
    WriteConfig({{"ServoNum", "3"}, {"ID1", "90"}, {"ID2", "120"}, {"ID3", "60"}});
  }
  ~CalibrationFixture() override {
    m_dlg.reset();
    PumpPending();
    ZAVSetUiHost(nullptr);
  }

  void WriteConfig(const std::map<std::string, std::string>& values) {
    std::string text = "[Config]\n";
    for (const auto& [key, value] : values) text += key + "=" + value + "\n";
    m_folder.Write("Config.ini", text + "[Records]\nUrl=" + m_recordsUrl + "\n");
  }

  // A factory that hands out object while *works holds.
  template <typename I>
  static std::function<bool(I**)> Factory(I* object, const bool* works) {
    return [object, works](I** out) {
      if (*works) *out = object;
      return *works;
    };
  }

  CaltrimEnv Env() {
    CaltrimEnv env;
    env.createSession = Factory<CIZAVSocketSession>(&m_session, &m_bSessionFactoryWorks);
    if (m_bRealSessions) env.createSession = [](CIZAVSocketSession** out) { return CreateZAVSocketSession(out); };
    env.createBroadcast = Factory<CIZAVBroadcastSocket>(&m_broadcast, &kWorks);
    env.createUsbDetection = Factory<IZAVUsbDetection>(&m_usb, &m_bUsbFactoryWorks);
    env.configPath = m_folder.WideFile("Config.ini");
    env.executablePath = std::filesystem::path(CALTRIM_PROBE_1_2_3_4).wstring();
    env.prompt = &m_prompt;
    env.createUsbDeviceEvents = [this] {
      auto events = std::make_unique<InjectedUsbEvents>(m_usbEventsFailure);
      m_usbEvents = events.get();
      return events;
    };
    env.provisioning = m_bProvisioning;
    env.loadProvisioning = [this](std::string* error) -> IProvisioningModule* {
      ++m_provisioningLoads;
      *error = m_provisioningError;
      return m_provisioningError.empty() ? ProvisioningModuleInstance() : nullptr;
    };
    env.startQRScan = [this](IQRScanEvent** sink) {
      m_scanSinks.push_back(sink);
      return m_bScanStarts;
    };
    env.caliTimeoutMs = m_caliTimeoutMs;
    env.recordsFolder = m_folder.WideFile("");
    env.openRecords = m_openRecords;
    return env;
  }

  // Start-up, pumped until the USB worker has reported.
  void StartWindow() {
    m_dlg = std::make_unique<CCaltrimDlg>(Env());
    m_dlg->OnInitDialog();
    if (QWidget* connect = Control<QWidget>(m_dlg.get(), IDC_MAIN_CONNECT)) {
      PumpUntil([connect] { return connect->isEnabled(); });
    }
  }

  QToolButton* MainButton(int id) { return Control<QToolButton>(m_dlg.get(), id); }
  CServoItemDlg* Panel(int id) { return m_dlg->ServoItems().at(id - 1); }

  std::unique_ptr<QtUiHost> m_uiHost;  // made once the application exists
  TempFolder m_folder;
  Journal m_journal;
  FakeSession m_session{&m_journal};
  FakeBroadcast m_broadcast{&m_journal};
  FakeUsbDetection m_usb{&m_journal};
  RecordingPrompt m_prompt;
  static constexpr bool kWorks = true;
  bool m_bSessionFactoryWorks = true;
  bool m_bRealSessions = false;  // the link library's own sessions instead of m_session
  bool m_bUsbFactoryWorks = true;
  std::string m_usbEventsFailure;              // registration fails with it when set
  InjectedUsbEvents* m_usbEvents = nullptr;  // owned by the window
  bool m_bProvisioning = false;
  std::string m_provisioningError;  // the serial-number tools cannot be loaded, for this reason
  int m_provisioningLoads = 0;
  std::vector<IQRScanEvent**> m_scanSinks;  // each start of the QR scanner
  bool m_bScanStarts = false;               // whether it starts (a camera is there)
  int m_caliTimeoutMs = 6000;
  std::string m_recordsUrl = "off";  // [Records] Url= of the next WriteConfig
  CaltrimEnv::RecordsOpener m_openRecords;
  std::unique_ptr<CCaltrimDlg> m_dlg;
};
