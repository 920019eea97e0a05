#include "app/ButtonShortcut.h"

#include <QAbstractButton>
#include <QKeySequence>

QString TipNamingShortcut(const QString& tip, const QKeySequence& keys) {
  if (keys.isEmpty()) return tip;
  return QStringLiteral("%1 (%2)").arg(tip, keys.toString(QKeySequence::NativeText));
}

void SetButtonShortcut(QAbstractButton* button, const char* keys, const QString& tip) {
  const QKeySequence sequence =
      keys != nullptr ? QKeySequence(QString::fromLatin1(keys)) : QKeySequence();
  button->setShortcut(sequence);
  button->setToolTip(TipNamingShortcut(tip, sequence));
}
