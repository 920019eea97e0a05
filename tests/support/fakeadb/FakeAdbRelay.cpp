#include "FakeAdbRelay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

struct Link {
  int client;
  int robot;
};

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
  if (n <= 0) return false;
  for (ssize_t sent = 0; sent < n;) {
    const ssize_t m = ::send(to, buffer + sent, static_cast<std::size_t>(n - sent), MSG_NOSIGNAL);
    if (m <= 0) return false;
    sent += m;
  }
  return true;
}

void Accept(int listener, const sockaddr_in& target, std::vector<Link>* links) {
  const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) return;
  const int robot = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (robot >= 0 &&
      ::connect(robot, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
    links->push_back({client, robot});
    return;
  }
  if (robot >= 0) ::close(robot);
  ::close(client);  // as adb does when the device side refuses
}

void Run(int listener, const sockaddr_in& target, const std::string& aliveFile) {
  std::vector<Link> links;
  for (;;) {
    std::vector<pollfd> fds{{listener, POLLIN, 0}};
    for (const Link& link : links) {
      fds.push_back({link.client, POLLIN, 0});
      fds.push_back({link.robot, POLLIN, 0});
    }
    const int ready = ::poll(fds.data(), fds.size(), 500);
    if (ready < 0 && errno != EINTR) return;
    if (ready == 0 && ::access(aliveFile.c_str(), F_OK) != 0) return;
    if (ready <= 0) continue;
    std::vector<Link> kept;
    for (std::size_t i = 0; i < links.size(); ++i) {
      const Link& link = links[i];
      if (Carry(fds[1 + 2 * i], link.robot) && Carry(fds[2 + 2 * i], link.client)) {
        kept.push_back(link);
      } else {
        ::close(link.client);
        ::close(link.robot);
      }
    }
    links.swap(kept);
    if (fds[0].revents & POLLIN) Accept(listener, target, &links);
  }
}

}  // namespace

pid_t StartRelay(int localPort, const std::string& host, int port, const std::string& aliveFile,
                 std::string* error) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  const sockaddr_in local = Address("127.0.0.1", localPort);
  if (listener < 0 || ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
      ::bind(listener, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      ::listen(listener, 16) != 0) {
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
  // The relay: out of the caller's process group and off its output, like a daemon.
  ::setsid();
  const int null = ::open("/dev/null", O_RDWR);
  for (int fd = 0; fd <= 2; ++fd) ::dup2(null, fd);
  Run(listener, Address(host, port), aliveFile);
  ::_exit(0);
}
