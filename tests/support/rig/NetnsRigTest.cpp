#include "support/rig/NetnsRig.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include <gtest/gtest.h>

namespace {

sockaddr_in Ipv4(const char* host, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, host, &address.sin_addr);
  return address;
}

int BoundUdp(const NetnsRig& rig, int role, int port) {
  const int fd = rig.Socket(role, SOCK_DGRAM);
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  const sockaddr_in any = Ipv4("0.0.0.0", port);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string ReceiveFrom(int fd, std::string* sender, int timeoutMs = 2000) {
  pollfd ready{fd, POLLIN, 0};
  if (::poll(&ready, 1, timeoutMs) != 1) return "";
  char buffer[256];
  sockaddr_in from{};
  socklen_t size = sizeof from;
  const ssize_t got = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
  if (sender) *sender = text;
  return got > 0 ? std::string(buffer, static_cast<size_t>(got)) : "";
}

std::string Output(const std::vector<std::string>& argv, int* status = nullptr) {
  std::string output;
  const int code = RunCommand(argv, &output);
  if (status) *status = code;
  return output;
}

std::string NsName(const NetnsRig& rig, int role) {
  const std::string path = rig.NamespacePath(role);
  return path.substr(path.rfind('/') + 1);
}

TEST(NetnsRigTest, StationAndRobotsShareOneSegmentThatLeadsNowhere) {
  CALTRIM_SKIP_WITHOUT_RIG();
  NetnsRig rig(2);
  ASSERT_TRUE(rig.ok()) << rig.error();

  EXPECT_NE(Output({"ip", "-n", NsName(rig, 0), "-4", "-o", "addr", "show", "br0"}).find("10.231.77.1/24"),
            std::string::npos);
  for (int robot = 1; robot <= 2; ++robot) {
    EXPECT_NE(Output({"ip", "-n", NsName(rig, robot), "-4", "-o", "addr", "show", "eth0"})
                  .find(NetnsRig::RobotAddress(robot) + "/24"),
              std::string::npos);
  }
  for (int role = 0; role <= 2; ++role) {
    EXPECT_EQ(Output({"ip", "-n", NsName(rig, role), "route", "show", "default"}), "") << "role " << role;
    // Only loopback and the rig's own links: nothing leads to the machine's interfaces.
    const std::string links = Output({"ip", "-n", NsName(rig, role), "-o", "link", "show"});
    // (ip may add complaints about namespaces that other tests remove meanwhile.)
    int count = 0;
    for (std::size_t start = 0; start < links.size(); start = links.find('\n', start) + 1) {
      count += std::isdigit(static_cast<unsigned char>(links[start])) != 0;
      if (links.find('\n', start) == std::string::npos) break;
    }
    EXPECT_EQ(count, role == 0 ? 2 + rig.robots() : 2) << links;
  }
}

TEST(NetnsRigTest, BroadcastFromTheStationReachesEveryRobotAndAnswersComeBack) {
  CALTRIM_SKIP_WITHOUT_RIG();
  NetnsRig rig(2);
  ASSERT_TRUE(rig.ok()) << rig.error();
  const int station = BoundUdp(rig, NetnsRig::kStation, 6000);
  const int robot1 = BoundUdp(rig, 1, 6000);
  const int robot2 = BoundUdp(rig, 2, 6000);
  ASSERT_GE(station, 0);
  ASSERT_GE(robot1, 0);
  ASSERT_GE(robot2, 0);

  const sockaddr_in broadcast = Ipv4("255.255.255.255", 6000);
  ASSERT_EQ(::sendto(station, "ping", 4, 0, reinterpret_cast<const sockaddr*>(&broadcast), sizeof broadcast), 4);
  std::string sender;
  EXPECT_EQ(ReceiveFrom(robot1, &sender), "ping");
  EXPECT_EQ(sender, NetnsRig::kStationAddress);
  EXPECT_EQ(ReceiveFrom(robot2, &sender), "ping");

  const sockaddr_in stationAddress = Ipv4(NetnsRig::kStationAddress, 6000);
  ASSERT_EQ(::sendto(robot2, "pong", 4, 0, reinterpret_cast<const sockaddr*>(&stationAddress), sizeof stationAddress), 4);
  // The station hears its own broadcast first, then the answer.
  EXPECT_EQ(ReceiveFrom(station, &sender), "ping");
  EXPECT_EQ(ReceiveFrom(station, &sender), "pong");
  EXPECT_EQ(sender, NetnsRig::RobotAddress(2));
  for (int fd : {station, robot1, robot2}) ::close(fd);
}

TEST(NetnsRigTest, ScopedNetnsEntersForItsLifeOnly) {
  CALTRIM_SKIP_WITHOUT_RIG();
  NetnsRig rig;
  ASSERT_TRUE(rig.ok()) << rig.error();
  {
    ScopedNetns inside(rig.NamespacePath(1));
    ASSERT_TRUE(inside.ok());
    EXPECT_TRUE(ThreadInNetns(rig.NamespacePath(1)));
    EXPECT_FALSE(ThreadInNetns(rig.NamespacePath(NetnsRig::kStation)));
  }
  EXPECT_FALSE(ThreadInNetns(rig.NamespacePath(1)));
}

TEST(NetnsRigTest, DownEndsWhatRunsInsideAndRemovesTheNamespaces) {
  CALTRIM_SKIP_WITHOUT_RIG();
  std::string station;
  std::unique_ptr<ChildProcess> sleeper;
  {
    NetnsRig rig;
    ASSERT_TRUE(rig.ok()) << rig.error();
    station = rig.NamespacePath(NetnsRig::kStation);
    sleeper = rig.Spawn(1, {"/bin/sh", "-c", "ip -4 -o addr show eth0; exec sleep 60"});
    ASSERT_TRUE(sleeper);
    EXPECT_TRUE(sleeper->WaitForLine(NetnsRig::RobotAddress(1), 5000));
  }
  EXPECT_NE(sleeper->Wait(5000), -1) << "the process in the robot namespace outlived the rig";
  EXPECT_NE(::access(station.c_str(), F_OK), 0);
}

TEST(NetnsRigTest, SessionRunsACommandInAStationOfItsOwnAndRemovesTheRigAfterwards) {
  CALTRIM_SKIP_WITHOUT_RIG();
  int status = 0;
  const std::string output = Output({NetnsRig::ScriptPath(), "session", "--robots", "2", "--", "/bin/sh", "-c",
                                     "echo rig=$CALTRIM_RIG robot2=$CALTRIM_RIG_ROBOT2; "
                                     "\"$CALTRIM_RIG_SCRIPT\" exec \"$CALTRIM_RIG\" robot2 -- sleep 60 & "
                                     "ip -4 -o addr show br0; sleep 0.2; exit 3"},
                                    &status);
  EXPECT_EQ(status, 3) << output;
  EXPECT_NE(output.find("robot2=10.231.77.12"), std::string::npos) << output;
  EXPECT_NE(output.find("10.231.77.1/24"), std::string::npos) << output;
  const std::size_t at = output.find("rig=");
  ASSERT_NE(at, std::string::npos);
  const std::string name = output.substr(at + 4, output.find(' ', at) - at - 4);
  // The namespaces are gone, and so is what still ran in them.
  EXPECT_NE(::access(("/run/netns/" + name + "-st").c_str(), F_OK), 0);
  EXPECT_NE(::access(("/run/netns/" + name + "-r2").c_str(), F_OK), 0);
}

TEST(NetnsRigTest, WithoutRootTheScriptSaysSoAndExitsWithTheSkipStatus) {
  // A copy anyone may run, wherever the tree itself lives.
  char folder[] = "/tmp/caltrim-noroot-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string script = std::string(folder) + "/netns-rig";
  ASSERT_EQ(Output({"cp", NetnsRig::ScriptPath(), script}), "");
  ::chmod(folder, 0755);
  ::chmod(script.c_str(), 0755);
  std::vector<std::string> command = {script, "up", "caltrim-noroot"};
  if (::geteuid() == 0) {
    command.insert(command.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  }
  int status = 0;
  const std::string output = Output(command, &status);
  Output({"rm", "-rf", folder});
  EXPECT_EQ(status, 77) << output;
  EXPECT_NE(output.find("needs root"), std::string::npos) << output;
  EXPECT_NE(output.find("solo"), std::string::npos) << output;
}

TEST(NetnsRigTest, SoloRunsWithLoopbackAndTheBroadcastRouteThroughIt) {
  int status = 0;
  const std::string output =
      Output({NetnsRig::ScriptPath(), "solo", "--", "/bin/sh", "-c", "ip -o link show; echo ROUTES; ip route show"}, &status);
  if (status != 0 && ::geteuid() != 0) GTEST_SKIP() << "unshare -rn is not permitted here: " << output;
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(output.find("255.255.255.255 dev lo"), std::string::npos) << output;
  EXPECT_NE(output.find("lo: <LOOPBACK,UP"), std::string::npos) << output;
  EXPECT_EQ(output.find("default", output.find("ROUTES")), std::string::npos) << output;
  // One interface, the namespace's own loopback.
  EXPECT_EQ(output.find("2: "), std::string::npos) << output;
}

TEST(NetnsRigTest, BadArgumentsAreRefused) {
  int status = 0;
  Output({NetnsRig::ScriptPath(), "up", "bad name!"}, &status);
  EXPECT_NE(status, 0);
  Output({NetnsRig::ScriptPath(), "addr", "rig", "robot99"}, &status);
  EXPECT_NE(status, 0);
  EXPECT_EQ(Output({NetnsRig::ScriptPath(), "addr", "rig", "robot3"}, &status), "10.231.77.13\n");
  EXPECT_EQ(status, 0);
}

}  // namespace
