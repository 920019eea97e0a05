#pragma once

#include <QString>
#include <QWidget>

// Every control is named by its numeric control id ("1006"), so code and tests find controls by
// the ids the dialog templates give them.
inline void SetControlId(QWidget* control, int id) { control->setObjectName(QString::number(id)); }

// A new control of type W inside parent, named by its id.
template <typename W>
W* MakeControl(QWidget* parent, int id) {
  W* control = new W(parent);
  SetControlId(control, id);
  return control;
}

// The control of type W named id among parent's own children (not their children), or null.
template <typename W>
W* FindControl(const QWidget* parent, int id) {
  return parent->findChild<W*>(QString::number(id), Qt::FindDirectChildrenOnly);
}
