#include "app/PumpPostedEvents.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

void PumpPostedEvents() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  // The glib event dispatcher looks at held-back input again only when it is woken; without this
  // a click made during the wait would sit in the queue until the next input arrives.
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
    dispatcher->wakeUp();
  }
}
