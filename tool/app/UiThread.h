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
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(context, std::move(fn), Qt::BlockingQueuedConnection);
  } else {
    Result result{};
    QMetaObject::invokeMethod(
        context, [&result, &fn] { result = fn(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}
