#pragma once

#include <string>

#include <QObject>
#include <QString>

#include "ZAVServoSocket.h"

// The link library's UI host on Qt. Make it on the user-interface thread and install it with
// ZAVSetUiHost before the first library object exists; it must outlive them all.
class QtUiHost : public QObject, public IZAVUiHost {
  Q_OBJECT

 public:
  explicit QtUiHost(QObject* parent = nullptr);

  // On the user-interface thread: handles the pending posted events, never user input, then
  // returns. On any other thread it does nothing (those threads have no event queue the library
  // would wait on).
  void PumpMessages() override;

  // Shows the box on the user-interface thread. From another thread the box is carried there and
  // this thread waits for the answer; the user-interface thread keeps serving such requests
  // while it waits in PumpMessages.
  int MessageBox(const std::string& text, const std::string& caption,
                 unsigned int style) override;

 protected:
  // Shows one modal box on the user-interface thread and returns the answer.
  virtual int ShowBox(const QString& text, const QString& caption, unsigned int style);
};
