#pragma once

#include <QObject>
#include <QString>

class QByteArray;
class QSocketNotifier;

// Keeps a second copy of the program from running. The first copy holds an exclusive lock on a
// file and serves a local (Unix) socket beside it; a later copy finds the lock taken, asks the
// first copy through the socket to bring its window forward, and is told to end. The kernel drops
// the lock when the first copy ends, however it ends, so a crash never blocks the next start.
// The socket is a plain one watched by the event loop: start-up needs no network library for it.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // The lock file and the socket are folder/<name>-<user id>.lock and .sock.
  SingleInstance(const QString& folder, const QString& name, QObject* parent = nullptr);
  ~SingleInstance() override;

  // The user's runtime folder (XDG_RUNTIME_DIR) when set and present, else the temporary folder.
  static QString DefaultFolder();

  // True when this process may run: it is the first copy, or the lock file cannot be made at
  // all (an unusable folder must not keep the program from starting). False when another copy
  // runs; that copy has then been asked to raise its window (when it could be reached).
  bool Claim();

  QString LockPath() const { return m_base + QStringLiteral(".lock"); }
  QString SocketPath() const { return m_base + QStringLiteral(".sock"); }

 signals:
  // A later start asked this copy to restore and raise its main window.
  void raiseRequested();

 private:
  void Serve();
  void OnNewConnection();
  // Reads what peer (a connected socket) sent so far; at its end, or a failure, closes it.
  void OnPeerReadable(int peer, QSocketNotifier* notifier, QByteArray* received);
  static bool AskFirstToRaise(const QString& socketPath);

  QString m_base;
  int m_lockFd = -1;
  int m_listenFd = -1;
  QSocketNotifier* m_listening = nullptr;
};
