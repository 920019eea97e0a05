#pragma once

#include <optional>
#include <string>

// Config.ini, section "Config", as the main window reads it, in plain C++: the window and the
// command-line program take the servo count and the reference angles from here.

// What a missing file or key reads as; it also reads as the number 0.
inline constexpr wchar_t kConfigMissing[] = L"Error";

// The text of key, or kConfigMissing when the file or the key is missing; at most 259
// characters, as the profile reader this replaces held.
std::wstring ReadConfigString(const std::wstring& configPath, const std::wstring& key);

// Decimal text to int the way atoi reads it (DecimalValue): blanks and a sign, then digits; 0
// when the text does not start with a number; values beyond int saturate.
int ConfigStringToInt(const std::wstring& text);

// "ServoNum" as a servo count: 0 for a missing or negative value, at most MAX_SERVO_NUM.
int ConfigServoCount(const std::wstring& configPath);

// The key of servo id's reference angle: "ID<id>".
std::wstring ServoReferenceKeyName(int id);

// Servo id's reference angle ("ID<id>"), or none when the key is missing or holds no angle a
// servo can take (ServoAngle): such a servo must not be moved to it.
std::optional<int> ConfigReferenceAngle(const std::wstring& configPath, int id);
