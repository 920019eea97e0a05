#pragma once

#include <cstdlib>

// The client honours the proxy variables of the environment; tests talk to loopback peers only,
// so none may be in force while they run.
inline const bool kProxyVariablesCleared = [] {
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
    ::unsetenv(name);
  }
  return true;
}();
