#include "calibration/MessageBar.h"

#include <QPainter>
#include <QStyleOption>

namespace {
const QColor kBusyColor(51, 153, 255);
const QColor kIdleColor(240, 240, 240);
constexpr int kStepMs = 50;
constexpr int kStepPixels = 8;
}  // namespace

MessageBar::MessageBar(QWidget* parent) : QProgressBar(parent), m_barColor(kIdleColor) {
  setRange(0, 100);
  setValue(0);
  setTextVisible(true);
  m_timer.setInterval(kStepMs);
  connect(&m_timer, &QTimer::timeout, this, &MessageBar::Step);
}

void MessageBar::SetText(const QString& text) {
  m_strText = text;
  // What a screen reader reads of the display is its text, without the idle look's indent; a new
  // name is announced (setAccessibleName raises the name's change on the accessibility bus).
  const QString name = text.trimmed();
  if (name != accessibleName()) setAccessibleName(name);
}

void MessageBar::ShowBusy(const QString& text) {
  SetText(text);
  m_barColor = kBusyColor;
  if (!m_timer.isActive()) {
    m_nMarqueePos = 0;
    m_timer.start();
  }
  update();
}

void MessageBar::ShowIdle(const QString& text) {
  SetText(text);
  m_barColor = kIdleColor;
  m_timer.stop();
  setValue(0);
  update();
}

void MessageBar::Step() {
  const int blockWidth = width() / 5;
  m_nMarqueePos += kStepPixels;
  if (m_nMarqueePos > width()) m_nMarqueePos = -blockWidth;
  update();
}

void MessageBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  painter.fillRect(rect(), QColor(250, 250, 250));
  if (IsMarquee()) {
    const int blockWidth = width() / 5;
    QLinearGradient shade(0, 0, 0, height());
    shade.setColorAt(0, m_barColor.lighter(125));
    shade.setColorAt(1, m_barColor);
    painter.fillRect(QRect(m_nMarqueePos, 1, blockWidth, height() - 2).intersected(rect()), shade);
  } else {
    painter.fillRect(rect().adjusted(1, 1, -1, -1), m_barColor);
  }
  painter.setPen(QColor(160, 166, 172));
  painter.drawRect(frame);
  painter.setPen(Qt::black);
  painter.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   m_strText);
}
