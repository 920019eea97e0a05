#pragma once

#include <QColor>
#include <QProgressBar>
#include <QString>
#include <QTimer>

// The main window's message display: a progress bar that carries a text. Busy, a blue block runs
// along the bar (marquee, one step every 50 ms) behind the text; idle, the bar stands still at
// position 0 in light grey with the text indented. On the accessibility bus its name is its text,
// and each new text is announced as a change of name.
class MessageBar : public QProgressBar {
  Q_OBJECT

 public:
  explicit MessageBar(QWidget* parent = nullptr);

  // Shows text with the busy look.
  void ShowBusy(const QString& text);
  // Shows text with the idle look (the caller supplies any indentation).
  void ShowIdle(const QString& text);

  QString text() const override { return m_strText; }
  bool IsMarquee() const { return m_timer.isActive(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void SetText(const QString& text);
  void Step();

  QString m_strText;
  QColor m_barColor;
  QTimer m_timer;
  int m_nMarqueePos = 0;  // left edge of the running block, in pixels
};
