#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <functional>
#include <type_traits>
#include <utility>

// The one way work from other threads reaches the user-interface thread: the thread of context
// (a widget, the application object, or any object living there).

// True when the calling thread is context's thread (or there is no context).
inline bool OnThreadOf(const QObject* context) {
  return context == nullptr || QThread::currentThread() == context->thread();
}

// Qt's queue hands a call over to the user-interface thread, and a blocking call back to its
// caller, under locks of its own. The system's Qt is not built for ThreadSanitizer, which
// therefore cannot see those hand-overs; in a build with -DCALTRIM_SANITIZE=thread they are
// declared to it on the call's address (release on one side, acquire on the other), so that what
// one side prepared for the other does not read as a race. In other builds they are nothing.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
inline void DeclareHandOver(const void* call) { __tsan_release(const_cast<void*>(call)); }
inline void DeclareTakeOver(const void* call) { __tsan_acquire(const_cast<void*>(call)); }
#else
inline void DeclareHandOver(const void*) {}
inline void DeclareTakeOver(const void*) {}
#endif

// Runs fn on context's thread: at once when the caller is already there, else queued behind
// everything posted to context before, so calls from one thread keep their order. A queued call
// is dropped when context is destroyed first.
void RunOnUiThread(QObject* context, std::function<void()> fn);

// Runs fn on context's thread and returns its result once it has run: at once when the caller is
// already there, else the caller waits. The user-interface thread must not be blocked waiting
// for the caller meanwhile; it may wait while pumping (the UI host's pump serves such calls).
template <typename Fn>
auto RunOnUiThreadAndWait(QObject* context, Fn fn) -> decltype(fn()) {
  using Result = decltype(fn());
  if (OnThreadOf(context)) return fn();
  DeclareHandOver(&fn);
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(
        context,
        [&fn] {
          DeclareTakeOver(&fn);
          fn();
          DeclareHandOver(&fn);
        },
        Qt::BlockingQueuedConnection);
    DeclareTakeOver(&fn);
  } else {
    Result result{};
    QMetaObject::invokeMethod(
        context,
        [&result, &fn] {
          DeclareTakeOver(&fn);
          result = fn();
          DeclareHandOver(&fn);
        },
        Qt::BlockingQueuedConnection);
    DeclareTakeOver(&fn);
    return result;
  }
}
