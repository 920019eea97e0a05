#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A program run by a test: its standard output and error are collected line by line on a thread
// of their own, so a chatty child never blocks on a full pipe. The child dies with the test
// thread that started it (PR_SET_PDEATHSIG), and the destructor ends it.
class ChildProcess {
 public:
  // Starts argv[0] (a path, or a name on PATH) with argv, inside the network namespace of
  // netnsPath (a /run/netns/ file) when one is given. Null, with *error set, when it cannot start.
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv,
                                             const std::string& netnsPath = "",
                                             std::string* error = nullptr);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits up to timeoutMs until at least count output lines (those already read included)
  // contain text.
  bool WaitForLines(const std::string& text, std::size_t count, int timeoutMs);
  bool WaitForLine(const std::string& text, int timeoutMs) { return WaitForLines(text, 1, timeoutMs); }
  // The lines so far that contain text.
  std::vector<std::string> LinesWith(const std::string& text);

  // Waits up to timeoutMs for the end; the status, or -1 while it runs.
  int Wait(int timeoutMs);
  // SIGTERM, then up to timeoutMs for the end, then SIGKILL. The exit status (or 128 + signal).
  int Terminate(int timeoutMs = 3000);

 private:
  friend int RunCommand(const std::vector<std::string>&, std::string*, int);
  ChildProcess(pid_t pid, int outputFd);
  void ReadOutput();

  pid_t m_pid;
  int m_outputFd;
  int m_status = -1;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::string> m_lines;
  std::thread m_reader;
};

// Runs argv to its end with its output captured, one line a line. The exit status, or -1 when it
// could not run or outlived timeoutMs (then it is killed).
int RunCommand(const std::vector<std::string>& argv, std::string* output, int timeoutMs = 60000);
