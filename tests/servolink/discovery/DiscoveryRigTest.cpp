// The discovery object on a real network: the test's station namespace and one robot namespace
// of the rig, joined by a veth pair. The object is only ever started inside the station.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>

#include <gtest/gtest.h>

#include "ZAVServoSocket.h"
#include "discovery/DiscoveryDatagram.h"
#include "servolink/discovery/DiscoverySpy.h"
#include "support/rig/NetnsRig.h"

namespace {

constexpr int kWaitMs = 3000;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

const std::string kSearchRequest =
    Bytes({0x34, 0x12, 0x0A, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x92, 0x01, 0xA3, 0x91, 0xA1, 0x31});
const std::string kFullReply =
    Bytes({0x34, 0x12, 0x1B, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x92, 0x02, 0xB4, 0x94, 0xA1, 0x52,
           0xA1, 0x32, 0xA8, 0x31, 0x30, 0x2E, 0x30, 0x2E, 0x30, 0x2E, 0x35, 0xA5, 0x30, 0x30, 0x3A, 0x31, 0x31});
const std::string kNameAndVersionOnly =
    Bytes({0x34, 0x12, 0x0C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x92, 0x02, 0xA5, 0x92, 0xA1, 0x52, 0xA1, 0x32});

sockaddr_in Ipv4(const std::string& host, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  return address;
}

bool Bind(int fd, const std::string& host, int port) {
  const sockaddr_in address = Ipv4(host, port);
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
    ASSERT_TRUE(Bind(m_robot, "0.0.0.0", ZAV_DISCOVERY_PORT));
  }

  void TearDown() override {
    if (m_discovery) {
      EXPECT_TRUE(m_discovery->Release());
    }
    m_discovery = nullptr;
    if (m_robot >= 0) ::close(m_robot);
  }

  // Makes and starts a discovery object inside the station namespace, and nowhere else.
  CIZAVBroadcastSocket* StartInStation(IZAVBroadcastEvent* sink, bool* started) {
    ScopedNetns station(m_rig->NamespacePath(NetnsRig::kStation));
    if (!station.ok()) {
      ADD_FAILURE() << "could not enter the station namespace";
      return nullptr;
    }
    CIZAVBroadcastSocket* discovery = nullptr;
    if (!CreateZAVBroadcastSocket(&discovery)) return nullptr;
    *started = discovery->StartBroadcast(nullptr, sink);
    return discovery;
  }

  void Start() {
    bool started = false;
    m_discovery = StartInStation(&m_sink, &started);
    ASSERT_NE(m_discovery, nullptr);
    ASSERT_TRUE(started);
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
    const sockaddr_in station = Ipv4(NetnsRig::kStationAddress, ZAV_DISCOVERY_PORT);
    ASSERT_EQ(::sendto(m_robot, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&station),
                       sizeof station),
              static_cast<ssize_t>(datagram.size()));
  }

  // The clock and the host outlive the object, which TearDown releases.
  FastClock m_clock;
  RecordingUiHost m_host;
  RecordingSink m_sink;
  std::unique_ptr<NetnsRig> m_rig;
  int m_robot = -1;
  CIZAVBroadcastSocket* m_discovery = nullptr;
};

TEST_F(DiscoveryRigTest, StartingSendsOneRequestUnaskedAndSearchDeviceSendsTheSixteenBytes) {
  Start();
  EXPECT_EQ(RobotReceive(300), "") << "more than one request without being asked";

  EXPECT_EQ(m_discovery->SearchDevice(), 1);
  EXPECT_EQ(RobotReceive(kWaitMs), kSearchRequest);
  EXPECT_TRUE(m_discovery->SendData("abc", 3));
  EXPECT_EQ(RobotReceive(kWaitMs), "abc");
  EXPECT_FALSE(m_discovery->SendData("abc", 0));
  EXPECT_FALSE(m_discovery->SendData(nullptr, 3));
  EXPECT_EQ(RobotReceive(300), "");
}

TEST_F(DiscoveryRigTest, TheStationsOwnRequestRaisesNoEvent) {
  Start();
  // The station's own broadcast reached its port 6000 before this reply did.
  RobotSend(kFullReply);
  ASSERT_TRUE(m_sink.WaitFor(1, kWaitMs));
  m_discovery->SearchDevice();
  ASSERT_EQ(RobotReceive(kWaitMs), kSearchRequest);
  RobotSend(kFullReply);
  ASSERT_TRUE(m_sink.WaitFor(2, kWaitMs));
  EXPECT_EQ(m_sink.Found().size(), 2u);
  EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(DiscoveryRigTest, RepliesBecomeRecordsAndEmptyFieldsAreReportedInOrder) {
  Start();
  RobotSend(kFullReply);
  ASSERT_TRUE(m_sink.WaitFor(1, kWaitMs));
  __DevInfo info = m_sink.Found()[0];
  EXPECT_EQ(info.strName, L"R");
  EXPECT_EQ(info.strVersion, L"2");
  EXPECT_EQ(info.strIP, L"10.0.0.5");
  EXPECT_EQ(info.strMAC, L"00:11");
  EXPECT_TRUE(m_host.Messages().empty());

  RobotSend(kNameAndVersionOnly);
  ASSERT_TRUE(m_sink.WaitFor(2, kWaitMs));
  info = m_sink.Found()[1];
  EXPECT_EQ(info.strName, L"R");
  EXPECT_EQ(info.strIP, L"");
  EXPECT_EQ(info.strMAC, L"");
  EXPECT_EQ(m_host.Messages(), (std::vector<std::string>{"地址为空！", "MAC地址为空！"}));

  RobotSend(BuildDeviceInfoFrameWithFields({"N", "V", "10.0.0.9", "M", "extra"}));
  ASSERT_TRUE(m_sink.WaitFor(3, kWaitMs));
  info = m_sink.Found()[2];
  EXPECT_EQ(info.strName + info.strVersion + info.strIP + info.strMAC, L"NV10.0.0.9M");
  EXPECT_EQ(m_host.Messages().size(), 2u);

  RobotSend(BuildDeviceInfoFrameWithFields({"OnlyName"}));
  ASSERT_TRUE(m_sink.WaitFor(4, kWaitMs));
  EXPECT_EQ(m_sink.Found()[3].strName, L"OnlyName");
  EXPECT_EQ(m_host.Messages(), (std::vector<std::string>{"地址为空！", "MAC地址为空！", "版本号为空！",
                                                         "地址为空！", "MAC地址为空！"}));
}

TEST_F(DiscoveryRigTest, RepeatsAndSeveralFramesInOneDatagramEachRaiseAnEvent) {
  Start();
  RobotSend(kFullReply);
  RobotSend(kFullReply);
  ASSERT_TRUE(m_sink.WaitFor(2, kWaitMs));
  RobotSend(BuildDeviceInfoFrameWithFields({"first", "1", "10.231.77.11", "a"}) +
            BuildDeviceInfoFrameWithFields({"second", "1", "10.231.77.12", "b"}));
  ASSERT_TRUE(m_sink.WaitFor(4, kWaitMs));
  const std::vector<__DevInfo> found = m_sink.Found();
  EXPECT_EQ(found[0].strName, L"R");
  EXPECT_EQ(found[1].strName, L"R");
  EXPECT_EQ(found[2].strName, L"first");
  EXPECT_EQ(found[3].strName, L"second");
}

TEST_F(DiscoveryRigTest, ShortBadAndOversizedDatagramsAreIgnored) {
  Start();
  RobotSend(kFullReply.substr(0, 10));
  std::string badMagic = kFullReply;
  badMagic[1] = 0x13;
  RobotSend(badMagic);
  // A good reply at the head of a datagram longer than the 1000-byte buffer: the whole datagram
  // goes, it is not read cut short.
  RobotSend(kFullReply + std::string(1200, '\0'));
  RobotSend(BuildDeviceInfoFrameWithFields({"last", "1", "10.0.0.1", "m"}));
  ASSERT_TRUE(m_sink.WaitFor(1, kWaitMs));
  ASSERT_TRUE(m_sink.WaitFor(2, 300) == false);
  EXPECT_EQ(m_sink.Found()[0].strName, L"last");
  EXPECT_TRUE(m_host.Messages().empty());
}

TEST_F(DiscoveryRigTest, ASecondObjectOrAnyHolderOfThePortCannotStart) {
  Start();
  bool started = true;
  CIZAVBroadcastSocket* second = StartInStation(&m_sink, &started);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(started);
  EXPECT_EQ(RobotReceive(300), "") << "the object that failed to start sent a request";
  EXPECT_TRUE(second->Release());

  EXPECT_TRUE(m_discovery->Release());
  m_discovery = nullptr;
  const int holder = m_rig->Socket(NetnsRig::kStation, SOCK_DGRAM);
  ASSERT_TRUE(Bind(holder, "0.0.0.0", ZAV_DISCOVERY_PORT));
  CIZAVBroadcastSocket* third = StartInStation(&m_sink, &started);
  ASSERT_NE(third, nullptr);
  EXPECT_FALSE(started);
  ::close(holder);
  EXPECT_TRUE(third->Release());
}

TEST_F(DiscoveryRigTest, ReleaseWaitsForADeliveryAndServesTheCallerMeanwhile) {
  // The sink hands the record to the user-interface thread and waits for it, as the program's
  // window does: it can only finish while the thread that calls Release keeps pumping.
  std::atomic<bool> entered{false};
  std::atomic<bool> pumped{false};
  std::atomic<bool> servedByPump{false};
  m_host.SetOnPump([&] { pumped = true; });
  m_sink.SetBeforeRecord([&] {
    entered = true;
    for (int i = 0; i < 500 && !pumped; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    servedByPump = pumped.load();
  });
  Start();
  RobotSend(kFullReply);
  for (int i = 0; i < 300 && !entered; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(entered);

  EXPECT_TRUE(m_discovery->Release());
  m_discovery = nullptr;
  EXPECT_EQ(m_sink.Found().size(), 1u) << "Release returned before the delivery finished";
  EXPECT_TRUE(servedByPump) << "Release did not pump the caller's messages while it waited";
}

TEST_F(DiscoveryRigTest, ReleaseWaitsForAnOpenMessageBox) {
  std::atomic<bool> entered{false};
  std::atomic<bool> pumped{false};
  m_host.SetOnPump([&] { pumped = true; });
  m_host.SetBeforeAnswer([&] {
    entered = true;
    for (int i = 0; i < 500 && !pumped; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  Start();
  RobotSend(kNameAndVersionOnly);
  for (int i = 0; i < 300 && !entered; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(entered);

  EXPECT_TRUE(m_discovery->Release());
  m_discovery = nullptr;
  // Both boxes were answered and the record delivered before Release came back.
  EXPECT_EQ(m_host.Messages().size(), 2u);
  EXPECT_EQ(m_sink.Found().size(), 1u);
}

}  // namespace
