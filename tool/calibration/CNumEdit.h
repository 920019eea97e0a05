#pragma once

#include <QLineEdit>

// The offset box of a servo panel: an edit that drops typed characters other than digits,
// backspace, one "." and a leading "-". Only typing is filtered; pasted text goes in as it is.
// A text wider than the narrow box is drawn smaller so it stays readable; the status words
// ("Wait", "Ok", "Failed", "False") share the size at which the widest of them fits.
class CNumEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit CNumEdit(QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FitText();

  qreal m_fullPointSize = 0;  // the inherited size, before any fitting
};
