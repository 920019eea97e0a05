#pragma once

#include <QString>

class QAbstractButton;
class QKeySequence;

// Keyboard shortcuts of command buttons. The captions stay as the string table has them (no
// mnemonic is added), so a button's tooltip names its keys instead.

// tip followed by the keys in the desktop's own words: "Connect to a robot (Alt+C)". Just tip
// when keys is empty.
QString TipNamingShortcut(const QString& tip, const QKeySequence& keys);

// Gives button the keys written in portable text ("Alt+C"; null: none) and a tooltip naming them
// after tip.
void SetButtonShortcut(QAbstractButton* button, const char* keys, const QString& tip);
