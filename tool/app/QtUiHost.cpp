#include "app/QtUiHost.h"

#include <QApplication>

#include "app/MessageBoxStyle.h"
#include "app/PumpPostedEvents.h"
#include "app/UiThread.h"

QtUiHost::QtUiHost(QObject* parent) : QObject(parent) {}

void QtUiHost::PumpMessages() {
  if (OnThreadOf(this)) PumpPostedEvents();
}

int QtUiHost::MessageBox(const std::string& text, const std::string& caption,
                         unsigned int style) {
  const QString qtext = QString::fromStdString(text);
  const QString qcaption = QString::fromStdString(caption);
  return RunOnUiThreadAndWait(this, [&] { return ShowBox(qtext, qcaption, style); });
}

int QtUiHost::ShowBox(const QString& text, const QString& caption, unsigned int style) {
  return ExecMessageBox(QApplication::activeWindow(), text, caption, style);
}
