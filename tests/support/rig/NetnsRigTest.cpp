// The rig itself. That broadcasts cross it from the station to the robots and back is shown by
// the discovery and simulator tests that run in it.

#include "support/rig/NetnsRig.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

std::string Output(const std::vector<std::string>& argv, int* status = nullptr) {
  std::string output;
  const int code = RunCommand(argv, &output);
  if (status) *status = code;
  return output;
}

TEST(NetnsRigTest, StationAndRobotsShareOneSegmentThatLeadsNowhere) {
  CALTRIM_SKIP_WITHOUT_RIG();
  NetnsRig rig(2);
  ASSERT_TRUE(rig.ok()) << rig.error();
  for (int role = 0; role <= 2; ++role) {
    const std::string path = rig.NamespacePath(role);
    const std::string ns = path.substr(path.rfind('/') + 1);
    const std::string address = role == 0 ? "br0.*10.231.77.1/24" : "eth0.*" + NetnsRig::RobotAddress(role) + "/24";
    EXPECT_EQ(Output({"sh", "-c", "ip -n " + ns + " -4 -o addr show 2>/dev/null | grep -c '" + address + "'"}), "1\n") << role;
    EXPECT_EQ(Output({"ip", "-n", ns, "route", "show", "default"}), "") << role;
    // Only loopback and the rig's own links: nothing leads to the machine's interfaces.
    EXPECT_EQ(Output({"sh", "-c", "ip -n " + ns + " -o link show 2>/dev/null | grep -c '^[0-9]'"}), role == 0 ? "4\n" : "2\n")
        << role;
  }
  {
    ScopedNetns inside(rig.NamespacePath(1));
    ASSERT_TRUE(inside.ok());
    EXPECT_FALSE(ThreadInNetns(rig.NamespacePath(NetnsRig::kStation)));
  }
  EXPECT_FALSE(ThreadInNetns(rig.NamespacePath(1))) << "ScopedNetns did not return to where it came from";
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
  const std::string output = Output(
      {NetnsRig::ScriptPath(), "solo", "--", "/bin/sh", "-c", "ip -o link show; echo ROUTES; ip route show"}, &status);
  if (status != 0 && ::geteuid() != 0) GTEST_SKIP() << "unshare -rn is not permitted here: " << output;
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(output.find("255.255.255.255 dev lo"), std::string::npos) << output;
  EXPECT_NE(output.find("lo: <LOOPBACK,UP"), std::string::npos) << output;
  EXPECT_EQ(output.find("default", output.find("ROUTES")), std::string::npos) << output;
  EXPECT_EQ(output.find("2: "), std::string::npos) << output;  // one interface, its own loopback
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
