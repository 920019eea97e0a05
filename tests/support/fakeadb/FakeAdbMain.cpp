// A stand-in for the `adb` program in the program's tests, where no device is attached. The
// test copies it into a folder of its own as "adb" and makes that folder the whole of PATH; the
// files beside it script what it answers:
//
//   devices   one answer per `adb devices` call, the last one staying in force (none: "0"):
//             N        a list of N ready devices, VORLA2000001 ... (0: an empty list)
//             down     "cannot connect to daemon" and exit status 1, as a server that is down
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
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string g_folder;

std::string PathOf(const std::string& name) { return g_folder + "/" + name; }

std::string ReadFile(const std::string& name) {
  std::stringstream text;
  text << std::ifstream(PathOf(name)).rdbuf();
  return text.str();
}

void WriteFile(const std::string& name, const std::string& text) { std::ofstream(PathOf(name)) << text; }

sockaddr_in Address(const std::string& host, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  return address;
}

// Moves what from has to to; false when either side has ended.
bool Carry(const pollfd& from, int to) {
  if ((from.revents & (POLLIN | POLLHUP | POLLERR)) == 0) return true;
  char buffer[16384];
  const ssize_t n = ::read(from.fd, buffer, sizeof buffer);
  for (ssize_t sent = 0, m = 0; sent < n; sent += m) {
    if ((m = ::send(to, buffer + sent, static_cast<std::size_t>(n - sent), MSG_NOSIGNAL)) <= 0) return false;
  }
  return n > 0;
}

// The relay's loop: each connection to listener is carried to target, both ways, until SIGTERM
// or until the folder is gone (checked twice a second).
void Relay(int listener, const sockaddr_in& target) {
  struct Link {
    int client, robot;
  };
  std::vector<Link> links;
  for (;;) {
    std::vector<pollfd> fds{{listener, POLLIN, 0}};
    for (const Link& link : links) {
      fds.push_back({link.client, POLLIN, 0});
      fds.push_back({link.robot, POLLIN, 0});
    }
    const int ready = ::poll(fds.data(), fds.size(), 500);
    if ((ready < 0 && errno != EINTR) || (ready == 0 && ::access(PathOf("target").c_str(), F_OK) != 0)) return;
    if (ready <= 0) continue;
    std::vector<Link> kept;
    for (std::size_t i = 0; i < links.size(); ++i) {
      if (Carry(fds[1 + 2 * i], links[i].robot) && Carry(fds[2 + 2 * i], links[i].client)) {
        kept.push_back(links[i]);
      } else {
        ::close(links[i].client);
        ::close(links[i].robot);
      }
    }
    links.swap(kept);
    if ((fds[0].revents & POLLIN) == 0) continue;
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    const int robot = client < 0 ? -1 : ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (robot >= 0 && ::connect(robot, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
      links.push_back({client, robot});
      continue;
    }
    if (robot >= 0) ::close(robot);
    if (client >= 0) ::close(client);  // as adb does when the device side refuses
  }
}

// Listens on 127.0.0.1:localPort and starts the relay as a background process of its own
// session; its process id, or -1 with the reason in *error (the port is taken, for one).
pid_t StartRelay(int localPort, const std::string& host, int port, std::string* error) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  const sockaddr_in local = Address("127.0.0.1", localPort);
  if (listener < 0 || ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      ::bind(listener, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || ::listen(listener, 16) != 0) {
    *error = std::strerror(errno);
    if (listener >= 0) ::close(listener);
    return -1;
  }
  const pid_t pid = ::fork();
  if (pid != 0) {
    if (pid < 0) *error = std::strerror(errno);
    ::close(listener);
    return pid;
  }
  ::setsid();  // out of the caller's process group and off its output, like a daemon
  const int null = ::open("/dev/null", O_RDWR);
  for (int fd = 0; fd <= 2; ++fd) ::dup2(null, fd);
  Relay(listener, Address(host, port));
  ::_exit(0);
}

int Devices() {
  // This call's answer: the next unused line, or the last line once all are used.
  std::vector<std::string> answers;
  std::istringstream lines(ReadFile("devices"));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) answers.push_back(line);
  }
  const std::size_t used = static_cast<std::size_t>(std::atoi(ReadFile("devices.used").c_str()));
  WriteFile("devices.used", std::to_string(used + 1));
  const std::string answer = answers.empty() ? "0" : answers[std::min(used, answers.size() - 1)];
  if (answer == "down") {
    std::fprintf(stderr, "adb: cannot connect to daemon at tcp:5037: Connection refused\n");
    return 1;
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
  if (devices == 0 || (devices > 1 && !serialGiven)) {
    std::fprintf(stderr, "adb: error: %s\n",
                 devices == 0 ? "no devices/emulators found" : "more than one device/emulator");
    return 1;
  }
  std::istringstream target(ReadFile("target"));
  std::string host;
  int port = 0;
  target >> host >> port;
  StopRelay();
  std::string error;
  const pid_t relay = StartRelay(local, host, port, &error);
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

  const bool serialGiven = args.size() >= 2 && args[0] == "-s";
  if (serialGiven) args.erase(args.begin(), args.begin() + 2);
  const std::string command = args.empty() ? "" : args[0];
  if (command == "devices") return Devices();
  if (command == "kill-server") StopRelay();
  if (command == "kill-server" || command == "start-server") return 0;
  if (command == "forward") return Forward(args, serialGiven);
  std::fprintf(stderr, "adb: usage: unknown command %s\n", command.c_str());
  return 1;
}
