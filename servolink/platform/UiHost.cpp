#include "platform/UiHost.h"

#include <atomic>
#include <cstdio>

#include "platform/SeamCalls.h"

namespace {
std::atomic<IZAVUiHost*> g_host{nullptr};
}

void ZAVSetUiHost(IZAVUiHost* host) { g_host.store(host); }

void ZAVPumpMessages() {
  if (IZAVUiHost* host = g_host.load()) host->PumpMessages();
}

namespace servolink {

int ZAVMessageBox(const std::string& text, const std::string& caption, unsigned int style) {
  if (IZAVUiHost* host = g_host.load()) return host->MessageBox(text, caption, style);
  std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
  return IDOK;
}

}  // namespace servolink
