#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

const QByteArray kRaiseRequest = QByteArrayLiteral("raise\n");

// How long a later copy keeps trying to reach the first one, which may hold the lock but not
// yet listen.
constexpr int kReachMs = 2000;
constexpr int kRetryMs = 50;

}  // namespace

SingleInstance::SingleInstance(const QString& folder, const QString& name, QObject* parent)
    : QObject(parent),
      m_base(QDir(folder).filePath(name + QLatin1Char('-') + QString::number(::getuid()))) {}

SingleInstance::~SingleInstance() {
  if (m_server != nullptr) m_server->close();
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
  // Holding the lock, any socket file left here belongs to a copy that has ended.
  QLocalServer::removeServer(SocketPath());
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
  if (!m_server->listen(SocketPath())) {
    qWarning("Caltrim: cannot listen on %s: %s", qPrintable(SocketPath()),
             qPrintable(m_server->errorString()));
  }
}

void SingleInstance::OnNewConnection() {
  while (QLocalSocket* peer = m_server->nextPendingConnection()) {
    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    auto readRequest = [this, peer] {
      while (peer->canReadLine()) {
        if (peer->readLine() == kRaiseRequest) emit raiseRequested();
      }
    };
    connect(peer, &QLocalSocket::readyRead, this, readRequest);
    readRequest();
  }
}

bool SingleInstance::AskFirstToRaise(const QString& socketPath) {
  const QDeadlineTimer deadline(kReachMs);
  QLocalSocket socket;
  for (;;) {
    socket.connectToServer(socketPath);
    if (socket.waitForConnected(kRetryMs)) break;
    if (deadline.hasExpired()) return false;
    QThread::msleep(kRetryMs);
  }
  socket.write(kRaiseRequest);
  const bool sent = socket.waitForBytesWritten(kReachMs);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kRetryMs);
  return sent;
}
