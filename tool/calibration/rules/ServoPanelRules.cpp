#include "calibration/rules/ServoPanelRules.h"

#include <cmath>

#include "calibration/rules/CalibrationModel.h"

bool StepAllowed(StepDirection direction, int angle, int reference, float caliValue) {
  const double offset = static_cast<double>(caliValue) +
                        kOffsetPerAngle * (static_cast<double>(angle) - reference);
  if (direction == StepDirection::Down) {
    return angle > 0 && std::trunc(offset - kOffsetPerAngle) >= -kStepOffsetLimit;
  }
  return angle < kMaxServoAngle && std::trunc(offset + kOffsetPerAngle) <= kStepOffsetLimit;
}

bool OffsetBoxTakes(char16_t typed, std::u16string_view text, int selectionStart,
                    int selectionEnd) {
  if ((typed >= u'0' && typed <= u'9') || typed == u'\b') return true;
  if (typed == u'.') return text.find(u'.') == std::u16string_view::npos;
  if (typed == u'-') {
    const bool wholeSelected =
        selectionStart == 0 && selectionEnd == static_cast<int>(text.size());
    return text.empty() || wholeSelected;
  }
  return false;
}
