#include "calibration/CNumEdit.h"

#include <QKeyEvent>
#include <QStyle>
#include <algorithm>
#include <string_view>

#include "calibration/rules/CalibrationModel.h"
#include "calibration/rules/ServoPanelRules.h"

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent) {
  // Typed text arrives as key presses only, so the filter sees every typed character.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  connect(this, &QLineEdit::textChanged, this, &CNumEdit::FitText);
}

void CNumEdit::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  // Keys without a printable character (moves, deletes) and keys held with Ctrl, Alt or Meta
  // (shortcuts such as paste) are commands of the edit, not typing.
  const bool command = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier |
                                              Qt::MetaModifier)) != 0;
  const bool printable = !typed.isEmpty() && (typed.size() > 1 || typed.at(0).isPrint());
  if (printable && !command) {
    const QString content = text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int end = hasSelectedText() ? selectionEnd() : start;
    const std::u16string_view view(reinterpret_cast<const char16_t*>(content.utf16()),
                                   static_cast<std::size_t>(content.size()));
    if (typed.size() != 1 || !OffsetBoxTakes(typed.at(0).unicode(), view, start, end)) {
      event->accept();
      return;
    }
  }
  QLineEdit::keyPressEvent(event);
}

void CNumEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  FitText();
}

void CNumEdit::FitText() {
  // Below this the digits of a number would be hard to read; a longer text is cut as before.
  constexpr qreal kSmallestPointSize = 5;
  // The edit keeps a margin of its own inside the frame on each side.
  constexpr int kInnerMargins = 4;
  if (m_fullPointSize <= 0) m_fullPointSize = font().pointSizeF();
  QFont fitted = font();
  fitted.setPointSizeF(m_fullPointSize);
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  const int room = contentsRect().width() - 2 * frame - kInnerMargins;
  // The status words all take the size of the widest of them, so that none looks apart.
  const QFontMetrics metrics(fitted);
  int needed = metrics.horizontalAdvance(text());
  if (IsStatusWord(text().toStdString())) {
    for (const std::string_view word : {kCaliWait, kCaliOk, kCaliFailed, kCaliFalse}) {
      const QString shown = QString::fromLatin1(word.data(), static_cast<qsizetype>(word.size()));
      needed = std::max(needed, metrics.horizontalAdvance(shown));
    }
  }
  if (needed > room && room > 0) {
    fitted.setPointSizeF(std::max(kSmallestPointSize, m_fullPointSize * room / needed));
  }
  if (fitted != font()) setFont(fitted);
}
