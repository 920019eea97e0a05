#include "provisioning/QRScan.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <thread>

#include "ZAVUIBase.h"

using namespace zbar;

zbar_processor_t* g_pZBarProcessor = nullptr;

namespace {

// The wait thread started by StartScanWaitThread, as StopQRScan sees it.
struct WaitThread {
  std::mutex lock;
  std::condition_variable ended;
  bool running = false;
  std::atomic<bool> stop{false};
  IQRScanEvent** sink = nullptr;
};

WaitThread& TheWaitThread() {
  static WaitThread thread;
  return thread;
}

IQRScanEvent* SinkOf(const void* userData) {
  return userData == nullptr ? nullptr : *static_cast<IQRScanEvent* const*>(userData);
}

// Whether ScanDataHandler reports a symbol: only a newly confirmed one (count 0; repeats count
// up, unconfirmed ones are negative) that is not a partial decode.
bool IsNewWholeSymbol(int count, zbar_symbol_type_t type) {
  return count == 0 && type != ZBAR_PARTIAL;
}

void DestroyProcessor() {
  zbar_processor_destroy(g_pZBarProcessor);
  g_pZBarProcessor = nullptr;
}

}  // namespace

bool StartQRScan(IQRScanEvent** sink) {
  // A processor that ran is never made again in one process; a start that failed (no camera)
  // leaves nothing behind, so that a later one, with a camera connected meanwhile, may run.
  static std::atomic<bool> started{false};
  if (started.exchange(true)) return false;
  g_pZBarProcessor = zbar_processor_create(1);
  if (g_pZBarProcessor == nullptr) {
    std::fputs("ERROR: unable to allocate memory?\n", stderr);
    started = false;
    return false;
  }
  zbar_processor_set_data_handler(g_pZBarProcessor, ScanDataHandler, sink);
  if (zbar_processor_init(g_pZBarProcessor, "", 1) != 0 ||
      zbar_processor_set_visible(g_pZBarProcessor, 1) != 0 ||
      zbar_processor_set_active(g_pZBarProcessor, 1) != 0) {
    _zbar_error_spew(g_pZBarProcessor, 0);
    DestroyProcessor();
    started = false;
    return false;
  }
  StartScanWaitThread(sink);
  return true;
}

void StartScanWaitThread(IQRScanEvent** sink) {
  WaitThread& wait = TheWaitThread();
  {
    const std::lock_guard<std::mutex> hold(wait.lock);
    wait.running = true;
    wait.sink = sink;
  }
  // Detached, so that the process may end while it waits; StopQRScan waits for its end instead.
  std::thread([&wait, sink] {
    ScanWaitThread(static_cast<void*>(sink));
    const std::lock_guard<std::mutex> hold(wait.lock);
    wait.running = false;
    wait.ended.notify_all();
  }).detach();
}

void StopQRScan(IQRScanEvent** sink) {
  WaitThread& wait = TheWaitThread();
  std::unique_lock<std::mutex> hold(wait.lock);
  if (sink == nullptr || sink != wait.sink) return;
  wait.stop = true;
  wait.ended.wait(hold, [&wait] { return !wait.running; });
  wait.sink = nullptr;
  // Left in place by an error of the wait thread, or never waited for: zbar's threads may still
  // decode into the sink.
  if (g_pZBarProcessor != nullptr) DestroyProcessor();
}

void ScanDataHandler(zbar_image_t* image, const void* userData) {
  for (const zbar_symbol_t* symbol = zbar_image_first_symbol(image); symbol != nullptr;
       symbol = zbar_symbol_next(symbol)) {
    const zbar_symbol_type_t type = zbar_symbol_get_type(symbol);
    if (!IsNewWholeSymbol(zbar_symbol_get_count(symbol), type)) continue;
    const char* data = zbar_symbol_get_data(symbol);
    std::printf("%s%s:%s\n", zbar_get_symbol_name(type), zbar_get_addon_name(type), data);
    if (IQRScanEvent* sink = SinkOf(userData)) sink->OnScanResult(ZAVWidenUtf8(data));
  }
  std::fflush(stdout);
}

void ScanWaitThread(void* userData) {
  if (IQRScanEvent* sink = SinkOf(userData)) sink->OnScanWindow(kScanViewTitle);
  int active = 1;
  int key = 0;
  while (true) {
    key = zbar_processor_user_wait(g_pZBarProcessor, kScanStopPollMs);
    if (key == 0 && !TheWaitThread().stop) continue;  // no key yet
    if (key <= 0 || key == 'q') break;
    if (key == 'Q') {
      DestroyProcessor();
      return;
    }
    if (key == ' ') {
      active = !active;
      if (zbar_processor_set_active(g_pZBarProcessor, active) != 0) {
        _zbar_error_spew(g_pZBarProcessor, 0);
        return;
      }
    }
  }
  if (key == 0 || key == 'q' || _zbar_get_error_code(g_pZBarProcessor) == ZBAR_ERR_CLOSED) {
    DestroyProcessor();
  } else {
    _zbar_error_spew(g_pZBarProcessor, 0);
  }
}
