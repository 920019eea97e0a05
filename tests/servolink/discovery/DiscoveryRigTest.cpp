// The discovery object on a real network: the test's station namespace and one robot namespace
// of the rig, joined by a veth pair. The object is only ever started inside the station.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TestBytes.h"
#include "discovery/DiscoveryDatagram.h"
#include "support/LinkSpies.h"
#include "support/rig/NetnsRig.h"

using namespace servolink;

namespace {

using Texts = std::vector<std::string>;
constexpr int kWaitMs = 3000;

const std::string kSearchRequest = Bytes("34 12 0A 00 00 00 01 00 00 00 92 01 A3 91 A1 31");
// R, version 2, at 10.0.0.5 with MAC 00:11; and the same robot with only name and version.
const std::string kFullReply =
    Bytes("34 12 1B 00 00 00 01 00 00 00 92 02 B4 94 A1 52 A1 32 A8 31 30 2E 30 2E 30 2E 35 A5 30 30 3A 31 31");
const std::string kNameAndVersionOnly = Bytes("34 12 0C 00 00 00 01 00 00 00 92 02 A5 92 A1 52 A1 32");

// The address host:6000.
sockaddr_in Port6000(const char* host) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(ZAV_DISCOVERY_PORT);
  ::inet_pton(AF_INET, host, &address.sin_addr);
  return address;
}

bool BindAny(int fd) {
  const sockaddr_in address = Port6000("0.0.0.0");
  return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

class DiscoveryRigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CALTRIM_SKIP_WITHOUT_RIG();
    m_rig = std::make_unique<NetnsRig>(1);
    ASSERT_TRUE(m_rig->ok()) << m_rig->error();
    m_robot = m_rig->Socket(1, SOCK_DGRAM);
    ASSERT_GE(m_robot, 0);
    ASSERT_TRUE(BindAny(m_robot));
  }

  void TearDown() override {
    EXPECT_TRUE(m_discovery == nullptr || m_discovery->Release());
    if (m_robot >= 0) ::close(m_robot);
  }

  // Makes and starts a discovery object inside the station namespace, and nowhere else.
  CIZAVBroadcastSocket* StartInStation(bool* started) {
    ScopedNetns station(m_rig->NamespacePath(NetnsRig::kStation));
    CIZAVBroadcastSocket* discovery = nullptr;
    if (!station.ok() || !CreateZAVBroadcastSocket(&discovery)) {
      ADD_FAILURE() << "no discovery object in the station namespace";
      return nullptr;
    }
    *started = discovery->StartBroadcast(nullptr, &m_sink);
    return discovery;
  }

  void Start() {
    bool started = false;
    m_discovery = StartInStation(&started);
    ASSERT_TRUE(m_discovery != nullptr && started);
    // The first request also tells that the station's loop is up.
    ASSERT_EQ(RobotReceive(kWaitMs), kSearchRequest);
  }

  // The next datagram at the robot's port 6000, from the station; empty after timeoutMs.
  std::string RobotReceive(int timeoutMs) {
    pollfd ready{m_robot, POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) != 1) return "";
    char buffer[2048];
    sockaddr_in from{};
    socklen_t size = sizeof from;
    const ssize_t got = ::recvfrom(m_robot, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
    char sender[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
    EXPECT_STREQ(sender, NetnsRig::kStationAddress);
    return got > 0 ? std::string(buffer, static_cast<size_t>(got)) : "";
  }

  // Sends one datagram from the robot to the station's port 6000.
  void RobotSend(const std::string& datagram) {
    const sockaddr_in station = Port6000(NetnsRig::kStationAddress);
    ASSERT_EQ(::sendto(m_robot, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&station),
                       sizeof station),
              static_cast<ssize_t>(datagram.size()));
  }

  // The clock and the host outlive the object, which TearDown releases.
  TestClock m_clock{10};
  UiHostSpy m_host;
  DiscoverySpy m_sink;
  std::unique_ptr<NetnsRig> m_rig;
  int m_robot = -1;
  CIZAVBroadcastSocket* m_discovery = nullptr;
};

TEST_F(DiscoveryRigTest, OneRequestUnaskedTheStationIgnoresItsOwnAndNoOtherHolderOfThePortStarts) {
  Start();
  // A reply handled shows the station's loop running: a second request of its own would be at
  // the robot by now.
  RobotSend(kFullReply);
  ASSERT_TRUE(m_sink.WaitFor(1, kWaitMs));
  EXPECT_EQ(RobotReceive(0), "") << "more than one request without being asked";
  bool started = true;
  CIZAVBroadcastSocket* second = StartInStation(&started);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(started);
  EXPECT_EQ(m_discovery->SearchDevice(), 1);
  EXPECT_EQ(RobotReceive(kWaitMs), kSearchRequest);
  EXPECT_FALSE(m_discovery->SendData("abc", 0));
  EXPECT_FALSE(m_discovery->SendData(nullptr, 3));
  EXPECT_TRUE(m_discovery->SendData("abc", 3));
  EXPECT_EQ(RobotReceive(kWaitMs), "abc") << "a refused send, or the object that did not start, went out";
  EXPECT_TRUE(second->Release());
  // The station's own broadcasts reached its port 6000 before this reply did, and made no record.
  RobotSend(kFullReply);
  ASSERT_TRUE(m_sink.WaitFor(2, kWaitMs));
  EXPECT_EQ(m_sink.Found(), (Texts{"R|2|10.0.0.5|00:11", "R|2|10.0.0.5|00:11"}));
  EXPECT_TRUE(m_host.Messages().empty());

  EXPECT_TRUE(m_discovery->Release());
  m_discovery = nullptr;
  const int holder = m_rig->Socket(NetnsRig::kStation, SOCK_DGRAM);
  ASSERT_TRUE(BindAny(holder));
  CIZAVBroadcastSocket* third = StartInStation(&started);
  ASSERT_NE(third, nullptr);
  EXPECT_FALSE(started) << "another holder of the port";
  ::close(holder);
  EXPECT_TRUE(third->Release());
}

TEST_F(DiscoveryRigTest, RepliesBecomeRecordsAndEmptyFieldsAreReportedInOrder) {
  Start();
  // How the frames of a datagram are read is checked on the reader (DiscoveryDatagramTest); here
  // what only the socket shows: a datagram past the 1000-byte buffer is dropped whole, not read
  // cut short, and the record of the next one shows that it was handled.
  const std::pair<std::string, Texts> cases[] = {
      {kFullReply + std::string(1200, '\0'), {}},
      {kFullReply, {}},
      {kNameAndVersionOnly, {"地址为空！", "MAC地址为空！"}},
      {BuildDeviceInfoFrameWithFields({"N", "V", "10.0.0.9", "M", "extra"}), {}},
      {BuildDeviceInfoFrameWithFields({"OnlyName"}), {"版本号为空！", "地址为空！", "MAC地址为空！"}},
      {BuildDeviceInfoFrameWithFields({}), {"设备名为空！", "版本号为空！", "地址为空！", "MAC地址为空！"}},
  };
  Texts messages;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    RobotSend(cases[i].first);
    if (i > 0) {
      ASSERT_TRUE(m_sink.WaitFor(i, kWaitMs)) << i;
    }
    messages.insert(messages.end(), cases[i].second.begin(), cases[i].second.end());
    EXPECT_EQ(m_host.Messages(), messages) << i;
  }
  EXPECT_EQ(m_sink.Found(), (Texts{"R|2|10.0.0.5|00:11", "R|2||", "N|V|10.0.0.9|M", "OnlyName|||", "|||"}));
}

TEST_F(DiscoveryRigTest, ReleaseWaitsForOpenMessageBoxesAndTheDeliveryWhileItServesTheCaller) {
  // The boxes and the record are handed to the user-interface thread and waited for, as the
  // program's windows do: they can only finish while the thread that calls Release keeps pumping.
  std::atomic<bool> entered{false};
  std::atomic<bool> pumped{false};
  std::atomic<bool> servedByPump{false};
  const auto waitForPump = [&] {
    entered = true;
    for (int i = 0; i < 500 && !pumped; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pumped.load();
  };
  m_host.SetOnPump([&] { pumped = true; });
  m_host.SetBeforeAnswer([&] { servedByPump = waitForPump(); });
  m_sink.SetBeforeRecord([&] { waitForPump(); });
  Start();
  RobotSend(kNameAndVersionOnly);
  for (int i = 0; i < 300 && !entered; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(entered);

  EXPECT_TRUE(m_discovery->Release());
  m_discovery = nullptr;
  EXPECT_EQ(m_host.Messages().size(), 2u);
  EXPECT_EQ(m_sink.Found().size(), 1u) << "Release returned before the delivery finished";
  EXPECT_TRUE(servedByPump) << "Release did not pump the caller's messages while it waited";
}

}  // namespace
