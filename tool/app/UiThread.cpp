#include "app/UiThread.h"

void RunOnUiThread(QObject* context, std::function<void()> fn) {
  if (OnThreadOf(context)) {
    fn();
  } else {
    QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
  }
}
