#pragma once

#include <string_view>

// The decisions of a servo panel that need no widgets: when a step is allowed and which typed
// characters the offset box takes.

enum class StepDirection { Up, Down };

// A step may take the implied offset to at most this far from zero, one further than a servo
// accepts: the step then shows "False" and moves nothing.
inline constexpr int kStepOffsetLimit = 90;

// Whether a step from angle is allowed, with reference the servo's reference angle and caliValue
// the window's offset for the servo: down when angle > 0 and the integer part (toward zero) of
// caliValue + 3 x (angle - reference) - 3 is at least -90; up when angle < 240 and that of
// caliValue + 3 x (angle - reference) + 3 is at most 90.
bool StepAllowed(StepDirection direction, int angle, int reference, float caliValue);

// Whether the offset box takes typed, a character typed into text with the selection from
// selectionStart to selectionEnd (equal when nothing is selected; positions in UTF-16 units):
// digits and backspace always; "." while the text holds none; "-" into an empty text or over a
// selection of the whole text; nothing else. Pasted text is not filtered.
bool OffsetBoxTakes(char16_t typed, std::u16string_view text, int selectionStart,
                    int selectionEnd);
