#pragma once

// caltrim-cli and the simulated robots its tests run it against.

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "outside/uibase/TempFolder.h"
#include "support/rig/ChildProcess.h"

// One run of caltrim-cli to its end: exit status, standard output, standard error.
struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// The command line that runs caltrim-cli with args, its standard error going to errFile. Leading
// NAME=VALUE words of args are its environment (CALTRIM_ROBOT is unset otherwise), a leading
// <PATH its standard input.
inline std::vector<std::string> CliArgv(const std::vector<std::string>& args, const std::string& errFile) {
  std::vector<std::string> argv = {"/bin/sh", "-c", "exec env -u CALTRIM_ROBOT \"$@\" 2>" + errFile, "sh"};
  auto arg = args.begin();
  for (; arg != args.end(); ++arg) {
    const std::size_t equals = arg->find('=');
    if (arg->rfind('<', 0) == 0) {
      argv[2] += " " + *arg;
    } else if (equals != std::string::npos && equals == arg->find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_")) {
      argv.push_back(*arg);
    } else {
      break;
    }
  }
  argv.push_back(CALTRIM_CLI);
  argv.insert(argv.end(), arg, args.end());
  return argv;
}

inline std::string CliErrFile() {
  static int runs = 0;
  return ::testing::TempDir() + "/cli-" + std::to_string(::getpid()) + "-" + std::to_string(++runs) + ".err";
}

// Runs caltrim-cli to its end; one that outlives limitMs is killed, with the status -1.
inline CliResult RunCli(const std::vector<std::string>& args, int limitMs = 60000) {
  const std::string errFile = CliErrFile();
  CliResult result;
  result.status = RunCommand(CliArgv(args, errFile), &result.out, limitMs);
  result.err = TempFolder::Read(errFile);
  ::unlink(errFile.c_str());
  return result;
}

// A simulated robot on a loopback address (discovery off), its state kept in a file.
class SimRobot {
 public:
  SimRobot(const std::string& address, std::vector<std::string> args) : m_address(address) {
    args.insert(args.begin(), {CALTRIM_ROBOT_SIM, "--address", address, "--no-discovery",
                               "--state-file", StateFile()});
    m_process = ChildProcess::Start(args);
    m_ready = m_process && m_process->WaitForLine("READY", 5000);
  }

  bool Ready() const { return m_ready; }
  const std::string& Address() const { return m_address; }
  std::string StateFile() const { return m_folder.File("robot.state"); }
  std::string State() const { return TempFolder::Read(StateFile()); }
  ChildProcess& Process() { return *m_process; }
  // The frames it received that contain text.
  std::size_t Received(const std::string& text) {
    std::size_t count = 0;
    for (const std::string& line : m_process->LinesWith("RECV")) count += line.find(text) != std::string::npos;
    return count;
  }

 private:
  std::string m_address;
  TempFolder m_folder;
  std::unique_ptr<ChildProcess> m_process;
  bool m_ready = false;
};
