#pragma once

#include <optional>
#include <string>
#include <string_view>

// The calibration model of a servo, shared by the window and the command-line program: an offset
// is a signed integer a servo accepts from -89 to 89; one unit of angle is three offset units;
// angles run from 0 to 240. No Qt, no threads.

inline constexpr int kMinCaliOffset = -89;
inline constexpr int kMaxCaliOffset = 89;
inline constexpr int kOffsetPerAngle = 3;
inline constexpr int kMaxServoAngle = 240;

// A calibration run that is not answered in full ends this long after it began.
inline constexpr int kCaliTimeoutMs = 6000;

// The status words an offset box shows instead of a number, compared exactly as written.
inline constexpr std::string_view kCaliWait = "Wait";      // written, no reply yet
inline constexpr std::string_view kCaliOk = "Ok";          // the servo took the write
inline constexpr std::string_view kCaliFailed = "Failed";  // the servo refused it
inline constexpr std::string_view kCaliFalse = "False";    // nothing writable, or out of range

// True when text is exactly one of the four status words.
bool IsStatusWord(std::string_view text);

// The decimal value text starts with, as atoi reads it: blanks, a sign, then digits; 0 when the
// text does not start with a number. Values beyond int saturate instead of overflowing.
int DecimalValue(std::string_view text);

// The angle text stands for, when it is one a servo can take: a whole decimal number (a sign
// and blanks around it allowed) from 0 to 240. None for an empty text, any other text, or a
// number outside that range. The window's angle boxes and the reference angles of Config.ini
// (window and command line alike) move a servo only with such an angle.
std::optional<int> ServoAngle(std::string_view text);

// True when a servo accepts value as its calibration offset (-89 to 89).
bool IsWritableOffset(long long value);

// The offset an angle implies: base + 3 x (angle - reference). Wide, so any two ints fit.
long long OffsetForAngle(long long base, long long angle, long long reference);

// The offset box text for an offset: the number in decimal when it is writable, else "False".
std::string OffsetText(long long offset);

// The value Calibrate writes for an offset box holding text, or nothing when the box holds no
// writable value: one of the four status words, or a number outside -89 to 89 (the box then shows
// "False"). Other text counts by its decimal value, so a box that does not start with a number
// writes 0.
std::optional<int> WritableOffset(std::string_view boxText);
