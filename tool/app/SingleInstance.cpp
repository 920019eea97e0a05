#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>

namespace {

const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");

// How long a later copy keeps trying to reach the first one, which may hold the lock but not
// yet listen.
constexpr int kReachMs = 2000;
constexpr int kRetryMs = 50;

std::optional<sockaddr_un> SocketAddress(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  sockaddr_un address{};
  if (name.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) return std::nullopt;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, name.constData(), name.size());
  return address;
}

int UnixSocket() { return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); }

}  // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& name, QObject* parent)
    : QObject(parent),
      m_base(QDir(folder).filePath(name + QLatin1Char('-') + QString::number(::getuid()))) {}

SingleInstance::~SingleInstance() {
  delete m_listening;
  if (m_listenFd >= 0) ::close(m_listenFd);
  if (m_lockFd >= 0) ::close(m_lockFd);
}

QString SingleInstance::DefaultFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
  return QDir::tempPath();
}

bool SingleInstance::Claim() {
  const QByteArray lockPath = QFile::encodeName(LockPath());
  // Never through a link: in a shared temporary folder the name may have been planted.
  m_lockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (m_lockFd < 0) {
    qWarning("Caltrim: cannot create %s; not guarding against a second copy", lockPath.constData());
    return true;
  }
  if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
    ::close(m_lockFd);
    m_lockFd = -1;
    if (errno != EWOULDBLOCK) return true;
    AskFirstToRaise(SocketPath());
    return false;
  }
  Serve();
  return true;
}

void SingleInstance::Serve() {
  const QByteArray path = QFile::encodeName(SocketPath());
  const std::optional<sockaddr_un> address = SocketAddress(SocketPath());
  // Holding the lock, any socket file left here belongs to a copy that has ended.
  ::unlink(path.constData());
  m_listenFd = address ? UnixSocket() : -1;
  // Only this user may ask this copy anything: the socket is made without rights for others.
  const mode_t mask = ::umask(077);
  const bool bound = m_listenFd >= 0 &&
                     ::bind(m_listenFd, reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) == 0;
  ::umask(mask);
  if (!bound || ::listen(m_listenFd, SOMAXCONN) != 0) {
    qWarning("Caltrim: cannot listen on %s: %s", path.constData(),
             address ? std::strerror(errno) : "the path is too long");
    if (m_listenFd >= 0) ::close(m_listenFd);
    m_listenFd = -1;
    return;
  }
  m_listening = new QSocketNotifier(m_listenFd, QSocketNotifier::Read);
  connect(m_listening, &QSocketNotifier::activated, this, &SingleInstance::OnNewConnection);
}

void SingleInstance::OnNewConnection() {
  for (;;) {
    const int peer = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (peer < 0) return;
    auto* notifier = new QSocketNotifier(peer, QSocketNotifier::Read, this);
    auto received = std::make_shared<QByteArray>();
    connect(notifier, &QSocketNotifier::activated, this,
            [this, peer, notifier, received] { OnPeerReadable(peer, notifier, received.get()); });
    OnPeerReadable(peer, notifier, received.get());
  }
}

void SingleInstance::OnPeerReadable(int peer, QSocketNotifier* notifier, QByteArray* received) {
  for (;;) {
    char piece[64];
    const ssize_t got = ::read(peer, piece, sizeof(piece));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;  // more may come
    if (got <= 0) break;  // the peer is done, or gone
    received->append(piece, got);
    for (qsizetype end = received->indexOf('\n'); end >= 0; end = received->indexOf('\n')) {
      const QByteArray line = received->left(end + 1);
      received->remove(0, end + 1);
      if (line == kRaiseRequest) emit raiseRequested();
    }
    // A request is one short line: a peer that sends a longer one is not one of ours.
    if (received->size() > kRaiseRequest.size()) break;
  }
  notifier->setEnabled(false);
  notifier->deleteLater();
  ::close(peer);
}

bool SingleInstance::AskFirstToRaise(const QString& socketPath) {
  const std::optional<sockaddr_un> address = SocketAddress(socketPath);
  if (!address) return false;
  const QDeadlineTimer deadline(kReachMs);
  for (;;) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) == 0) {
      const bool sent = ::send(fd, kRaiseRequest.constData(), kRaiseRequest.size(), MSG_NOSIGNAL) ==
                        kRaiseRequest.size();
      ::close(fd);
      return sent;
    }
    ::close(fd);
    if (deadline.hasExpired()) return false;
    QThread::msleep(kRetryMs);
  }
}
