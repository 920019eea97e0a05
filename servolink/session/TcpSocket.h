#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstddef>

namespace servolink {

// The POSIX socket calls of the session, kept apart from the framing. Every wait is bounded by a
// time-out and cut into 100 ms slices, between which a cancel flag is read, so that a stop
// request never waits out a whole time-out.

// The value of a socket variable that holds no socket.
constexpr int kNoSocket = -1;

enum class WaitResult {
  kReady,      // the socket is ready (or has an error or hang-up to report)
  kTimedOut,   // the time-out passed
  kCancelled,  // *cancel became true
  kFailed,     // the wait itself failed
};

// A TCP stream socket that is closed on exec, so a program started by this process never holds
// a robot link open. kNoSocket when none can be made.
int CreateTcpSocket();

// Reads text as dotted-decimal IPv4 and fills *out with it and port. False when text is not such
// an address.
bool MakeIPv4Address(const char* text, int port, sockaddr_in* out);

// Waits until socket has data, a hang-up or an error to report (readable), or until it can
// take bytes (!readable), at most timeoutSeconds.
WaitResult WaitForSocket(int socket, bool readable, int timeoutSeconds,
                         const std::atomic<bool>* cancel);

// Connects socket to address: the connect runs non-blocking, waits at most timeoutSeconds for
// the socket to become writable, and the socket is put back in blocking mode. True only when
// the connection is made; a refusal, an error, a time-out or a cancel all give false.
bool ConnectWithTimeout(int socket, const sockaddr_in& address, int timeoutSeconds,
                        const std::atomic<bool>* cancel);

// One send call that never blocks and never raises SIGPIPE. The number of bytes the socket took:
// 0 on any error, a full buffer, or when socket is kNoSocket.
std::size_t SendSome(int socket, const char* data, std::size_t size);

// Shuts socket down in both directions (a peer sees the end at once), without closing it.
void ShutdownSocket(int socket);

// Closes socket.
void CloseSocket(int socket);

}  // namespace servolink
