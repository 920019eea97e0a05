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

}  // namespace
