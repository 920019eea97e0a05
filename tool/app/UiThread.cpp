#include "app/UiThread.h"

#include <memory>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace {

// Qt's queue hands a call over to the user-interface thread under locks of its own. The system's
// Qt is not built for ThreadSanitizer, which therefore cannot see that hand-off; in a build with
// -DCALTRIM_SANITIZE=thread it is declared to it here, so that what the caller prepared for the
// call does not read as a race.
void HandOver([[maybe_unused]] void* call) {
#if defined(__SANITIZE_THREAD__)
  __tsan_release(call);
#endif
}

void TakeOver([[maybe_unused]] void* call) {
#if defined(__SANITIZE_THREAD__)
  __tsan_acquire(call);
#endif
}

}  // namespace

void RunOnUiThread(QObject* context, std::function<void()> fn) {
  if (OnThreadOf(context)) {
    fn();
    return;
  }
  auto call = std::make_shared<std::function<void()>>(std::move(fn));
  HandOver(call.get());
  QMetaObject::invokeMethod(
      context,
      [call] {
        TakeOver(call.get());
        (*call)();
      },
      Qt::QueuedConnection);
}
