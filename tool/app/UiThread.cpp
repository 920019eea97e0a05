#include "app/UiThread.h"

#include <memory>

void RunOnUiThread(QObject* context, std::function<void()> fn) {
  if (OnThreadOf(context)) {
    fn();
    return;
  }
  auto call = std::make_shared<std::function<void()>>(std::move(fn));
  DeclareHandOver(call.get());
  // The call is Qt's from here: it ends with Qt's event, never later on this thread.
  QMetaObject::invokeMethod(
      context,
      [call = std::move(call)] {
        DeclareTakeOver(call.get());
        (*call)();
      },
      Qt::QueuedConnection);
}
