#pragma once

// The equipment service simulator for caltrim-cli's tests.

#include <memory>
#include <string>
#include <vector>

#include "outside/uibase/TempFolder.h"
#include "support/rig/ChildProcess.h"

// The equipment service simulator on 127.0.0.1, any free port, with a register of its own.
class EquipmentService {
 public:
  explicit EquipmentService(std::vector<std::string> switches = {}) {
    std::vector<std::string> argv = {CALTRIM_EQUIPMENT_SIM, "--port", "0", "--register", m_folder.File("register.sqlite"),
                                     "--register-add", "SN-FREE-0001", "--register-add", "SN-FREE-0002"};
    argv.insert(argv.end(), switches.begin(), switches.end());
    m_process = ChildProcess::Start(argv);
    if (m_process && m_process->WaitForLine("listening on http://", 10000)) {
      const std::string line = m_process->LinesWith("listening on http://").front();
      const std::size_t start = line.find("http://");
      m_url = line.substr(start, line.find(',', start) - start);
    }
  }
  const std::string& Url() const { return m_url; }

 private:
  TempFolder m_folder;
  std::unique_ptr<ChildProcess> m_process;
  std::string m_url;
};
