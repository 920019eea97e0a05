#include "calibration/usb/UsbLink.h"

#include <system_error>

#include "app/Text.h"
#include "calibration/CalibrationMessages.h"
#include "calibration/MainWindowRules.h"
#include "calibration/usb/UsbInterfaceName.h"

UsbLink::UsbLink(IUsbLinkHost* host) : m_host(host) {}

UsbLink::~UsbLink() { JoinWorkers(); }

void UsbLink::OnUsbDeviceChange(UsbDeviceChange change, const std::string& interfaceName) {
  Queue(change, interfaceName);
  HandleQueued();
}

void UsbLink::Queue(UsbDeviceChange change, const std::string& interfaceName) {
  m_pending.emplace_back(change, interfaceName);
}

void UsbLink::HandleQueued() {
  if (m_bHandling) return;  // reached from a wait of the event being handled: it comes next
  m_bHandling = true;
  while (!m_pending.empty()) {
    const auto event = std::move(m_pending.front());
    m_pending.pop_front();
    if (!m_host->IsShuttingDown()) Handle(event.first, event.second);
  }
  m_bHandling = false;
}

void UsbLink::Handle(UsbDeviceChange change, const std::string& interfaceName) {
  // Another device (a mouse, the scanner's camera) has nothing to do with the link.
  if (!IsRobotInterfaceName(interfaceName)) return;
  change == UsbDeviceChange::kArrived ? RobotArrived() : RobotRemoved();
}

void UsbLink::RobotArrived() {
  m_host->SetUsbReady(true);
  AppendToStatusLine("IDS_TESTED_USB_INSERT");
  m_host->EnableWindow(false);  // until the worker reports
  // The previous objects go first: replacing them unreleased would leave their threads and
  // sockets running with nobody to end them.
  if (!ReplaceLinkObjects(true)) return;
  m_host->ShowSessionEnded(nullptr);  // a Wi-Fi session ends here too
  StartWorker();
  m_host->UpdateConnectionUi(CONNECT_NONE);
}

void UsbLink::RobotRemoved() {
  AppendToStatusLine("IDS_TESTED_USB_PULLED");
  if (CIZAVSocketSession* session = m_host->Session()) {
    session->StopConnect();
    m_host->UpdateConnectionUi(CONNECT_NONE);
  }
  if (!ReplaceLinkObjects(false)) return;
  m_host->ShowSessionEnded("IDS_SERVER_CLOSE_SUCCESS");
}

bool UsbLink::ReplaceLinkObjects(bool robotArrived) {
  // Worker runs hold the lock while they use the link objects: the USB worker the detection
  // object, the calibration worker the session.
  m_host->LockWorkerPumping();
  const bool goOn = !m_host->IsShuttingDown();  // shut-down, reached during the wait, owns them
  if (goOn) {
    // Cleared only now: a run that ended during the wait may have set it.
    if (!robotArrived) m_host->SetUsbReady(false);
    // Each pointer is cleared before its Release: a Release that serves posted events meanwhile
    // must not let anything reach the object it is ending.
    if (CIZAVSocketSession* session = m_host->Session()) {
      m_host->SetSession(nullptr);
      session->Release();
    }
    if (IZAVUsbDetection* detection = m_host->UsbDetection()) {
      m_host->SetUsbDetection(nullptr);
      detection->Release();
    }
    // A new session either way: over USB for the robot, else for Wi-Fi once the robot is gone.
    m_host->SetSession(m_host->CreateSession());
    if (robotArrived) m_host->SetUsbDetection(m_host->CreateUsbDetection());
  }
  m_host->WorkerLock().Unlock();
  return goOn;
}

void UsbLink::AppendToStatusLine(const char* key) {
  m_host->SetStatusLine(StatusLineAfterUsbEvent(m_host->StatusLine(), T(key)));
}

void UsbLink::StartWorker() {
  JoinFinishedWorkers();
  auto done = std::make_shared<std::atomic<bool>>(false);
  try {
    std::thread thread = m_host->StartThread([host = m_host, done] {
      RunAdbWorker(host);
      *done = true;
    });
    m_workers.push_back({std::move(thread), std::move(done)});
  } catch (const std::system_error&) {
    m_host->SetUsbReady(false);
    m_host->PostUsbState(USB_ADB_NOT_READY);
  }
}

void UsbLink::JoinFinishedWorkers() {
  for (auto it = m_workers.begin(); it != m_workers.end();) {
    if (*it->done) {
      it->thread.join();
      it = m_workers.erase(it);
    } else {
      ++it;
    }
  }
}

void UsbLink::JoinWorkers() {
  for (Worker& worker : m_workers) worker.thread.join();
  m_workers.clear();
}

int UsbLink::RunningWorkers() const {
  int running = 0;
  for (const Worker& worker : m_workers) running += *worker.done ? 0 : 1;
  return running;
}
