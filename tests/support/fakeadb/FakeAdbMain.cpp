// A stand-in for the `adb` program in the program's tests, where no device is attached. The
// test copies it into a folder of its own as "adb" and makes that folder the whole of PATH; the
// files beside it script what it answers:
//
//   devices   one answer per `adb devices` call, the last one staying in force (none: "0"):
//             N        a list of N ready devices, VORLA2000001 ... (0: an empty list)
//             down     "cannot connect to daemon" and exit status 1, as a server that is down
//             hang     no answer at all: it waits until it is killed
//             garbage  bytes that are no device list, exit status 0
//   target    "HOST PORT": where `forward tcp:L tcp:R` relays 127.0.0.1:L to (the simulator)
//   calls     written by it: one line per call, its arguments
//
// `forward` refuses, as adb does, when the last list held no device, or several and no -s was
// given. It then leaves a relay running in the background, as the adb server keeps a forward:
// TCP connections to 127.0.0.1:L in the caller's network namespace are carried to the target
// until `forward --remove`, `kill-server`, another forward, or the removal of the folder.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FakeAdbRelay.h"

namespace {

std::string g_folder;

std::string PathOf(const std::string& name) { return g_folder + "/" + name; }

std::string ReadFile(const std::string& name) {
  std::ifstream in(PathOf(name));
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& name, const std::string& text) {
  std::ofstream(PathOf(name), std::ios::trunc) << text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// The answer for this call of `devices`: the next unused line, or the last line once all are used.
std::string NextDevicesAnswer() {
  const std::vector<std::string> answers = Lines(ReadFile("devices"));
  if (answers.empty()) return "0";
  const int used = std::atoi(ReadFile("devices.used").c_str());
  WriteFile("devices.used", std::to_string(used + 1));
  return answers[std::min<std::size_t>(used, answers.size() - 1)];
}

int Devices() {
  const std::string answer = NextDevicesAnswer();
  if (answer == "down") {
    std::fprintf(stderr, "adb: cannot connect to daemon at tcp:5037: Connection refused\n");
    return 1;
  }
  if (answer == "hang") {
    for (;;) ::pause();
  }
  if (answer == "garbage") {
    std::printf("\x01\x7f garbled \xff\xfe\nList of dev\n");
    return 0;
  }
  const int count = std::atoi(answer.c_str());
  WriteFile("devices.last", std::to_string(count));
  std::printf("List of devices attached\n");
  for (int i = 1; i <= count; ++i) std::printf("VORLA200000%d\tdevice\n", i);
  std::printf("\n");
  return 0;
}

void StopRelay() {
  const pid_t pid = std::atoi(ReadFile("relay.pid").c_str());
  if (pid > 0) ::kill(pid, SIGTERM);
  ::unlink(PathOf("relay.pid").c_str());
}

int Forward(const std::vector<std::string>& args, bool serialGiven) {
  if (args.size() >= 2 && (args[1] == "--remove" || args[1] == "--remove-all")) {
    StopRelay();
    return 0;
  }
  int local = 0;
  int remote = 0;
  if (args.size() != 3 || std::sscanf(args[1].c_str(), "tcp:%d", &local) != 1 ||
      std::sscanf(args[2].c_str(), "tcp:%d", &remote) != 1) {
    std::fprintf(stderr, "adb: error: expected forward tcp:LOCAL tcp:REMOTE\n");
    return 1;
  }
  const int devices = std::atoi(ReadFile("devices.last").c_str());
  if (devices == 0) {
    std::fprintf(stderr, "adb: error: no devices/emulators found\n");
    return 1;
  }
  if (devices > 1 && !serialGiven) {
    std::fprintf(stderr, "adb: error: more than one device/emulator\n");
    return 1;
  }
  std::istringstream target(ReadFile("target"));
  std::string host;
  int port = 0;
  target >> host >> port;
  StopRelay();
  std::string error;
  const pid_t relay = StartRelay(local, host, port, PathOf("target"), &error);
  if (relay <= 0) {
    std::fprintf(stderr, "adb: error: cannot bind listener: %s\n", error.c_str());
    return 1;
  }
  WriteFile("relay.pid", std::to_string(relay));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 2;
  g_folder.assign(self, static_cast<std::size_t>(n));
  g_folder.erase(g_folder.rfind('/'));

  std::vector<std::string> args(argv + 1, argv + argc);
  std::string line;
  for (const std::string& arg : args) line += (line.empty() ? "" : " ") + arg;
  std::ofstream(PathOf("calls"), std::ios::app) << line << "\n";

  bool serialGiven = false;
  if (args.size() >= 2 && args[0] == "-s") {
    serialGiven = true;
    args.erase(args.begin(), args.begin() + 2);
  }
  const std::string command = args.empty() ? "" : args[0];
  if (command == "devices") return Devices();
  if (command == "start-server") return 0;
  if (command == "kill-server") {
    StopRelay();
    return 0;
  }
  if (command == "forward") return Forward(args, serialGiven);
  std::fprintf(stderr, "adb: usage: unknown command %s\n", command.c_str());
  return 1;
}
