// The equipment service client against the equipment service simulator: the register's answers
// through the whole client, and what the simulator's switches make of a request.

#include <chrono>
#include <cstdlib>

#include <gtest/gtest.h>

#include "ZAVUIBase.h"
#include "outside/uibase/TempFolder.h"
#include "provisioning/CHttpOper.h"
#include "provisioning/ServiceAddress.h"
#include "support/rig/ChildProcess.h"
#include "tool/provisioning/ProxyFree.h"

namespace {

using namespace std::chrono_literals;

// The simulator on 127.0.0.1, any free port, with a register file of its own.
class Simulator {
 public:
  explicit Simulator(std::vector<std::string> switches) {
    std::vector<std::string> argv = {CALTRIM_EQUIPMENT_SIM, "--port", "0", "--register", RegisterFile(),
                                     "--register-add", "SN-FREE-0001", "--register-add", "SN-FREE-0002"};
    argv.insert(argv.end(), switches.begin(), switches.end());
    m_process = ChildProcess::Start(argv);
    if (m_process && m_process->WaitForLine("listening on http://", 10000)) {
      const std::string line = m_process->LinesWith("listening on http://").front();
      const std::size_t start = line.find("http://");
      m_url = line.substr(start, line.find(',', start) - start);
      SetServiceAddress(ZAVWidenUtf8(m_url));
    }
  }

  bool Listening() const { return !m_url.empty(); }
  std::string RegisterFile() const { return m_folder.File("register.sqlite"); }
  ChildProcess& Process() { return *m_process; }

  // The register as the simulator lists it.
  std::string List() const {
    std::string output;
    RunCommand({CALTRIM_EQUIPMENT_SIM, "--register", RegisterFile(), "--list"}, &output, 10000);
    return output;
  }

 private:
  TempFolder m_folder;
  std::unique_ptr<ChildProcess> m_process;
  std::string m_url;
};

TEST(EquipmentSimulatorTest, VerifyAndConfirmFollowTheRegister) {
  Simulator simulator({});
  ASSERT_TRUE(simulator.Listening());
  CHttpOper oper;
  EXPECT_EQ(oper.VerifyEquipment(L"SN-FREE-0001"), kVerifyAccepted);
  EXPECT_EQ(oper.VerifyEquipment(L"SN_0001"), kVerifyFormatError);
  EXPECT_EQ(oper.VerifyEquipment(L"SN-NONE-0001"), kVerifyNonExistent);
  EXPECT_FALSE(oper.ConfirmEquipment(L"SN-NONE-0001", L"AA:BB:CC:DD:EE:01"));
  EXPECT_TRUE(oper.ConfirmEquipment(L"sn-free-0001", L"AA:BB:CC:DD:EE:01"));
  EXPECT_EQ(oper.VerifyEquipment(L"SN-FREE-0001"), kVerifyOccupied);
  EXPECT_FALSE(oper.ConfirmEquipment(L"SN-FREE-0001", L"AA:BB:CC:DD:EE:02"));

  EXPECT_TRUE(simulator.Process().WaitForLine(
      R"(POST /zav/equipment/confirm -> 200 {"info":"0000"} sn-free-0001 confirmed with MAC AA:BB:CC:DD:EE:01)",
      5000));
  // A line is printed after its answer has gone out.
  EXPECT_TRUE(simulator.Process().WaitForLines("POST /zav/equipment/", 7, 5000));
  const std::string list = simulator.List();
  EXPECT_NE(list.find("SN-FREE-0001 used AA:BB:CC:DD:EE:01 "), std::string::npos) << list;
  EXPECT_NE(list.find("SN-FREE-0002 free - "), std::string::npos) << list;
}

TEST(EquipmentSimulatorTest, SwitchesReachTheClientAsFailures) {
  const struct {
    std::vector<std::string> switches;
    std::wstring diagnostic;
    int verify;
  } cases[] = {
      {{"--status", "500"}, L"访问出错", kVerifyFailed},
      {{"--empty-body"}, L"", kVerifyFailed},
      {{"--delay", "1500"}, L"SendRequest出错", kVerifyFailed},
      {{"--force-verify", "2004"}, L"", kVerifyOccupied},
  };
  for (const auto& c : cases) {
    Simulator simulator(c.switches);
    ASSERT_TRUE(simulator.Listening()) << c.switches[0];
    CHttpOper oper(HttpTimeouts{1000ms, 300ms, 300ms});
    char* data = nullptr;
    std::size_t size = 0;
    wchar_t errorText[CHttpOper::kErrorTextSize];
    oper.Post(GetServiceAddress() + L"/zav/equipment/verify", "{}", &data, &size, errorText);
    std::free(data);
    EXPECT_EQ(std::wstring(errorText), c.diagnostic) << c.switches[0];
    EXPECT_EQ(oper.VerifyEquipment(L"SN-FREE-0001"), c.verify) << c.switches[0];
  }
}

}  // namespace
