#pragma once

#include <sys/types.h>

#include <string>

// The fake adb's forward: listens on 127.0.0.1:localPort in the caller's network namespace and,
// in a background process of its own session, carries each connection to host:port, both ways,
// until it is sent SIGTERM or aliveFile disappears (checked twice a second). Returns the
// background process's id, or -1 with the reason in *error (the port is taken, for one).
pid_t StartRelay(int localPort, const std::string& host, int port, const std::string& aliveFile,
                 std::string* error);
