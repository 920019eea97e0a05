#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CZAVUsbDetectionImpl.h"

namespace fs = std::filesystem;

namespace {

using ::testing::ElementsAre;
using zavusbadb::AdbTimeouts;
using zavusbadb::CZAVUsbDetectionImpl;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// A fake `adb` in a folder that is the whole of PATH, so the machine's real adb is never found,
// let alone its server started. The script records each call's arguments, one call a line.
class FakeAdb : public ::testing::Test {
 protected:
  FakeAdb() {
    char pattern[] = "/tmp/fake_adb_XXXXXX";
    folder_ = ::mkdtemp(pattern);
    if (const char* path = ::getenv("PATH")) oldPath_ = path;
    ::setenv("PATH", folder_.c_str(), 1);
  }
  ~FakeAdb() override {
    ::setenv("PATH", oldPath_.c_str(), 1);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // body runs under /bin/sh with "$1" the adb command; only shell built-ins and absolute paths,
  // since PATH holds nothing but this folder.
  void Script(const std::string& body, bool executable = true) {
    const fs::path adb = folder_ / "adb";
    std::ofstream(adb) << "#!/bin/sh\n"
                       << "echo \"$*\" >> '" << Calls().string() << "'\n"
                       << "F='" << folder_.string() << "'\n"
                       << body << "\n";
    ::chmod(adb.c_str(), executable ? 0755 : 0644);
  }

  fs::path Calls() const { return folder_ / "calls"; }

  std::vector<std::string> CallLines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(Calls()));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // A detection object with short time-outs, released at the end of the test.
  IZAVUsbDetection* Detection(int queryMs = 2000) {
    detection_.reset(new CZAVUsbDetectionImpl(AdbTimeouts{queryMs, queryMs}));
    return detection_.get();
  }

  fs::path folder_;
  std::string oldPath_;

 private:
  struct Releaser {
    void operator()(IZAVUsbDetection* d) const { d->Release(); }
  };
  std::unique_ptr<IZAVUsbDetection, Releaser> detection_;
};

constexpr char kTwoReadyOneNot[] =
    "case \"$1\" in devices)\n"
    "  echo 'List of devices attached'\n"
    "  printf 'VORLA2000123\\tdevice\\nX1\\tunauthorized\\nVORLA2000124\\tdevice\\n\\n';;\n"
    "esac";

TEST_F(FakeAdb, CountsTheReadyDevicesAndNamesTheFirst) {
  Script(kTwoReadyOneNot);
  IZAVUsbDetection* usb = Detection();
  EXPECT_EQ(usb->GetDeviceState(), 2);
  EXPECT_EQ(usb->GetDeviceSerial(), "VORLA2000123");
  EXPECT_THAT(CallLines(), ElementsAre("devices", "devices"));
}

TEST_F(FakeAdb, NoDeviceOrOnlyUnauthorisedOrOfflineOnesIsZero) {
  Script("echo '* daemon started successfully'; echo 'List of devices attached'; echo");
  EXPECT_EQ(Detection()->GetDeviceState(), ZAV_USB_STATE_NO_DEVICE);
  EXPECT_EQ(Detection()->GetDeviceSerial(), "");

  Script("echo 'List of devices attached'; printf 'A1\\tunauthorized\\nB2\\toffline\\n'");
  EXPECT_EQ(Detection()->GetDeviceState(), ZAV_USB_STATE_NO_DEVICE);
  EXPECT_EQ(Detection()->GetDeviceSerial(), "");
}

TEST_F(FakeAdb, AServerThatDoesNotAnswerIsRecoveredByRestartingIt) {
  // Down until the server has been killed and started again.
  Script(
      "case \"$1\" in\n"
      "  kill-server) : > \"$F/killed\";;\n"
      "  start-server) [ -e \"$F/killed\" ] && : > \"$F/up\";;\n"
      "  devices) if [ -e \"$F/up\" ]; then\n"
      "      echo 'List of devices attached'; printf 'VORLA2000123\\tdevice\\n'\n"
      "    else echo 'error: cannot connect to daemon' >&2; exit 1; fi;;\n"
      "esac");
  IZAVUsbDetection* usb = Detection();
  EXPECT_EQ(usb->GetDeviceState(), ZAV_USB_STATE_SERVER_DOWN);
  EXPECT_TRUE(usb->Recover());
  EXPECT_EQ(usb->GetDeviceState(), 1);
  EXPECT_THAT(CallLines(), ElementsAre("devices", "kill-server", "start-server", "devices"));
}

TEST_F(FakeAdb, AnAnswerWithoutADeviceListIsAServerThatDoesNotAnswer) {
  Script("echo 'adb: usage: unknown command'");  // exits 0 but lists nothing
  EXPECT_EQ(Detection()->GetDeviceState(), ZAV_USB_STATE_SERVER_DOWN);
  Script("echo 'List of devices attached'; exit 1");
  EXPECT_EQ(Detection()->GetDeviceState(), ZAV_USB_STATE_SERVER_DOWN);
  Script("kill -9 $$");
  EXPECT_EQ(Detection()->GetDeviceState(), ZAV_USB_STATE_SERVER_DOWN);
}

TEST_F(FakeAdb, AHungAdbIsKilledAtItsTimeOut) {
  Script("echo $$ > \"$F/pid\"; exec /bin/sleep 30");
  IZAVUsbDetection* usb = Detection(/*queryMs=*/300);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(usb->GetDeviceState(), ZAV_USB_STATE_SERVER_DOWN);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(250));
  EXPECT_LT(took, std::chrono::milliseconds(2000));
  const pid_t pid = std::stoi(ReadFile(folder_ / "pid"));
  EXPECT_EQ(::kill(pid, 0), -1);  // killed and reaped, not left behind
  EXPECT_EQ(errno, ESRCH);

  Script("exec /bin/sleep 30");
  const auto forwardStart = std::chrono::steady_clock::now();
  EXPECT_FALSE(usb->ForwardPort(6102));
  EXPECT_LT(std::chrono::steady_clock::now() - forwardStart, std::chrono::milliseconds(2000));
}

TEST_F(FakeAdb, ADaemonLeftHoldingTheOutputDoesNotKeepTheCallerWaiting) {
  // As `adb start-server` does: a background process that keeps stdout open outlives the call.
  Script("[ \"$1\" = start-server ] && /bin/sleep 3 & echo started; exit 0");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(Detection(/*queryMs=*/2500)->Recover());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

TEST_F(FakeAdb, MissingOrUnrunnableAdbIsMinusSeven) {
  EXPECT_EQ(Detection()->GetDeviceState(), ZAV_USB_STATE_ADB_UNAVAILABLE);  // nothing on PATH
  EXPECT_FALSE(Detection()->ForwardPort(6102));
  EXPECT_FALSE(Detection()->Recover());
  Script("echo 'List of devices attached'", /*executable=*/false);
  EXPECT_EQ(Detection()->GetDeviceState(), ZAV_USB_STATE_ADB_UNAVAILABLE);
  EXPECT_FALSE(fs::exists(Calls()));
}

TEST_F(FakeAdb, ForwardingCallsAdbWithTheSamePortOnBothSides) {
  Script("[ \"$1\" = forward ] || exit 1");
  IZAVUsbDetection* usb = Detection();
  EXPECT_TRUE(usb->ForwardPort(6102));
  EXPECT_TRUE(usb->RemoveForward(6102));
  EXPECT_FALSE(usb->ForwardPort(0));      // no such port: adb is not asked
  EXPECT_FALSE(usb->ForwardPort(65536));
  EXPECT_FALSE(usb->StopServer());        // this fake refuses everything but forward
  EXPECT_THAT(CallLines(), ElementsAre("forward tcp:6102 tcp:6102", "forward --remove tcp:6102",
                                       "kill-server"));

  Script("echo 'error: no devices/emulators found' >&2; exit 1");
  EXPECT_FALSE(usb->ForwardPort(6102));
}

class RecordingSink : public IZAVUsbAdbEvent {
 public:
  void OnUsbAdbEvent(unsigned int event) override { events.push_back(static_cast<int>(event)); }
  std::vector<int> events;
};

TEST_F(FakeAdb, NotifyModeReportsEachChangeOfStateAndPollModeNothing) {
  RecordingSink sink;
  IZAVUsbDetection* usb = Detection();
  usb->Init(ZAV_USB_MODE_NOTIFY, &sink, nullptr);
  Script(kTwoReadyOneNot);
  usb->GetDeviceState();
  usb->GetDeviceState();
  Script("exit 1");
  usb->GetDeviceState();
  EXPECT_THAT(sink.events, ElementsAre(2, -1));

  RecordingSink quiet;
  usb->Init(ZAV_USB_MODE_POLL, &quiet, nullptr);
  usb->GetDeviceState();
  EXPECT_TRUE(quiet.events.empty());
}

TEST_F(FakeAdb, TheFactoryMakesAWorkingObject) {
  EXPECT_FALSE(CreateIZAVUsbDetection(nullptr));
  Script(kTwoReadyOneNot);
  IZAVUsbDetection* usb = nullptr;
  ASSERT_TRUE(CreateIZAVUsbDetection(&usb));
  ASSERT_NE(usb, nullptr);
  EXPECT_TRUE(usb->Init(ZAV_USB_MODE_POLL, nullptr, nullptr));
  EXPECT_EQ(usb->GetDeviceState(), 2);
  usb->Release();
}

}  // namespace
