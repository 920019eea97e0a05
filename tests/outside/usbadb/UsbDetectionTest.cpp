#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>

#include "CZAVUsbDetectionImpl.h"
#include "outside/uibase/TempFolder.h"

namespace {

using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A fake `adb` in a folder that is the whole of PATH, so the machine's real adb is never run.
class FakeAdb : public ::testing::Test {
 protected:
  FakeAdb() : oldPath_(::getenv("PATH") != nullptr ? ::getenv("PATH") : "") {
    ::setenv("PATH", folder_.Path().c_str(), 1);
  }
  ~FakeAdb() override { ::setenv("PATH", oldPath_.c_str(), 1); }

  // body runs under /bin/sh with "$1" the adb command and $F this folder; only shell built-ins
  // and absolute paths, since PATH holds nothing but this folder. Each call leaves a line in calls.
  void Script(const std::string& body, bool executable = true) {
    const std::string adb = folder_.Write("adb", "#!/bin/sh\nF='" + folder_.Path().string() +
                                                     "'\necho \"$*\" >> \"$F/calls\"\n" + body + "\n");
    ::chmod(adb.c_str(), executable ? 0755 : 0644);
  }
  std::string Calls() const { return TempFolder::Read(folder_.File("calls")); }
  IZAVUsbDetection* Detection(int queryMs = 2000) {
    detection_.reset(new zavusbadb::CZAVUsbDetectionImpl(zavusbadb::AdbTimeouts{queryMs, queryMs}));
    return detection_.get();
  }

  TempFolder folder_;
  std::string oldPath_;

 private:
  struct Releaser {
    void operator()(IZAVUsbDetection* d) const { d->Release(); }
  };
  std::unique_ptr<IZAVUsbDetection, Releaser> detection_;
};

// What adb prints while it starts its server, then its list: tab- or space-separated, with or
// without the fields of `devices -l`, in CRLF lines.
constexpr char kTwoReadyOneNot[] =
    "case \"$1\" in devices)\n"
    "  printf '* daemon not running; starting now at tcp:5037\\r\\nList of devices attached\\r\\n'\n"
    "  printf 'VORLA2000123\\tdevice\\r\\nX1\\tunauthorized\\r\\n'\n"
    "  printf 'VORLA2000124       device usb:1-1 transport_id:3\\r\\n\\r\\n';;\n"
    "esac";

TEST_F(FakeAdb, EachDeviceStateFromWhatAdbAnswers) {
  const struct {
    const char* script;  // null: no adb on PATH
    bool executable;
    int state;
    const char* serial;
  } cases[] = {
      {nullptr, true, ZAV_USB_STATE_ADB_UNAVAILABLE, ""},
      {"echo 'List of devices attached'", false, ZAV_USB_STATE_ADB_UNAVAILABLE, ""},
      {kTwoReadyOneNot, true, 2, "VORLA2000123"},  // counts the ready ones, names the first
      {"echo '* daemon started successfully'; echo 'List of devices attached'; echo", true,
       ZAV_USB_STATE_NO_DEVICE, ""},
      // Answers without a device list: a server that does not answer.
      {"echo 'adb: usage: unknown command'", true, ZAV_USB_STATE_SERVER_DOWN, ""},
      {"echo 'List of devices attached'; exit 1", true, ZAV_USB_STATE_SERVER_DOWN, ""},
      {"kill -9 $$", true, ZAV_USB_STATE_SERVER_DOWN, ""},
  };
  for (const auto& c : cases) {
    const char* what = c.script ? c.script : "no adb";
    if (c.script != nullptr) Script(c.script, c.executable);
    IZAVUsbDetection* usb = Detection();
    EXPECT_EQ(usb->GetDeviceState(), c.state) << what;
    EXPECT_EQ(usb->GetDeviceSerial(), c.serial) << what;
    EXPECT_EQ(Calls().empty(), c.script == nullptr || !c.executable) << "an adb that cannot run was run";
  }
  std::filesystem::remove(folder_.File("adb"));
  EXPECT_FALSE(Detection()->ForwardPort(6102));
  EXPECT_FALSE(Detection()->Recover());
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
  EXPECT_EQ(Calls(), "devices\nkill-server\nstart-server\ndevices\n");
}

TEST_F(FakeAdb, AHungAdbIsKilledAndReapedAtItsTimeOut) {
  Script("echo $$ > \"$F/pid\"; exec /bin/sleep 30");
  IZAVUsbDetection* usb = Detection(/*queryMs=*/300);
  const auto start = Clock::now();
  EXPECT_EQ(usb->GetDeviceState(), ZAV_USB_STATE_SERVER_DOWN);
  EXPECT_FALSE(usb->ForwardPort(6102));
  EXPECT_GE(Clock::now() - start, 500ms);
  EXPECT_LT(Clock::now() - start, 3s);
  EXPECT_EQ(::kill(std::stoi(TempFolder::Read(folder_.File("pid"))), 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

// The same port on both sides, for the first ready device when adb lists any: with several
// attached, adb refuses a forward that names none.
TEST_F(FakeAdb, ForwardingCallsAdbWithTheSamePortOnBothSides) {
  Script("case \"$1\" in forward|-s) exit 0;; esac; exit 1");
  IZAVUsbDetection* usb = Detection();
  EXPECT_TRUE(usb->ForwardPort(6102));
  EXPECT_TRUE(usb->RemoveForward(6102));
  Script(std::string(kTwoReadyOneNot) + "\n[ \"$1\" != -s ] || [ \"$3\" = forward ]");
  EXPECT_TRUE(usb->ForwardPort(6102));
  EXPECT_FALSE(usb->ForwardPort(0));  // no such port: adb is not asked
  EXPECT_FALSE(usb->ForwardPort(65536));
  EXPECT_EQ(Calls(), "devices\nforward tcp:6102 tcp:6102\nforward --remove tcp:6102\ndevices\n"
                     "-s VORLA2000123 forward tcp:6102 tcp:6102\n");
}

}  // namespace
