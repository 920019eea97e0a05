#include "sim/robot/DiscoveryResponder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "discovery/DiscoveryDatagram.h"

using namespace servolink;

namespace {

sockaddr_in Address(const std::string& host, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  return address;
}

std::string HostText(const sockaddr_in& address) {
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
  return text;
}

}  // namespace

DiscoveryResponder::DiscoveryResponder(const SimOptions& options, FrameLog* log)
    : m_options(options), m_log(log) {}

DiscoveryResponder::~DiscoveryResponder() {
  if (m_fd >= 0) ::close(m_fd);
}

bool DiscoveryResponder::Open(std::string* error) {
  if (!m_options.discovery) return true;
  m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_UDP);
  if (m_fd < 0) {
    *error = std::string("udp socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  if (!m_options.announceTo.empty()) {
    m_nextAnnounceMs = 0;
    m_log->Line("ANNOUNCE udp " + m_options.announceTo + ":" + std::to_string(kPort) + " every " +
                std::to_string(kAnnounceIntervalMs) + " ms");
    return true;
  }
  const sockaddr_in any = Address("0.0.0.0", kPort);
  if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
    *error = "udp 0.0.0.0:" + std::to_string(kPort) + ": " + std::strerror(errno) +
             " (the station holds the port in this namespace? try --announce)";
    return false;
  }
  m_log->Line("LISTEN udp 0.0.0.0:" + std::to_string(kPort));
  return true;
}

void DiscoveryResponder::AddPollFds(std::vector<pollfd>* fds) const {
  if (m_fd >= 0 && m_options.announceTo.empty()) fds->push_back(pollfd{m_fd, POLLIN, 0});
}

void DiscoveryResponder::Serve(const std::vector<pollfd>& fds) {
  for (const pollfd& fd : fds) {
    if (fd.fd == m_fd && fd.revents != 0) Answer();
  }
}

void DiscoveryResponder::Answer() {
  char buffer[2048];
  sockaddr_in sender{};
  socklen_t size = sizeof sender;
  const ssize_t received =
      ::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &size);
  if (received <= 0) return;
  const std::string peer = HostText(sender) + ":" + std::to_string(ntohs(sender.sin_port));
  const std::vector<std::string> payloads = SplitDiscoveryDatagram(buffer, static_cast<std::size_t>(received));
  if (payloads.empty()) {
    m_log->Frame("RECV", "udp", peer, "no frame", std::string(buffer, static_cast<std::size_t>(received)));
    return;
  }
  for (const std::string& payload : payloads) {
    const bool search = IsSearchRequest(payload);
    m_log->Frame("RECV", "udp", peer, search ? "search (payload)" : "not a search (payload)", payload);
    // The answer goes to the station's discovery port, not to the port the request came from.
    if (search) SendRecord(HostText(sender));
  }
}

void DiscoveryResponder::SendRecord(const std::string& address) {
  const DeviceReply record{m_options.name, m_options.version, m_options.RecordIp(), m_options.mac};
  const std::string frame = BuildDeviceInfoFrame(record);
  const sockaddr_in destination = Address(address, kPort);
  const ssize_t sent = ::sendto(m_fd, frame.data(), frame.size(), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
  const std::string what = "device-info " + record.name + " " + record.version + " " + record.ip + " " +
                           record.mac + (sent < 0 ? std::string(" (failed: ") + std::strerror(errno) + ")" : "");
  m_log->Frame("SEND", "udp", address + ":" + std::to_string(kPort), what, frame);
}

void DiscoveryResponder::Tick(std::int64_t nowMs) {
  if (m_nextAnnounceMs < 0 || nowMs < m_nextAnnounceMs) return;
  SendRecord(m_options.announceTo);
  m_nextAnnounceMs = nowMs + kAnnounceIntervalMs;
}

std::int64_t DiscoveryResponder::NextDueMs() const { return m_nextAnnounceMs; }
