#include "calibration/rules/ServoConfig.h"

#include <algorithm>

#include "ZAVUIBase.h"
#include "calibration/CalibrationMessages.h"
#include "calibration/rules/CalibrationModel.h"

namespace {
// The value buffer of the profile reader this replaces held 260 characters.
constexpr std::size_t kMaxValueLength = 259;
}  // namespace

std::wstring ReadConfigString(const std::wstring& configPath, const std::wstring& key) {
  return ReadIniString(L"Config", key.c_str(), kConfigMissing, configPath.c_str()).substr(0, kMaxValueLength);
}

int ConfigStringToInt(const std::wstring& text) { return DecimalValue(ZAVNarrowToUtf8(text)); }

int ConfigServoCount(const std::wstring& configPath) {
  return std::clamp(ConfigStringToInt(ReadConfigString(configPath, L"ServoNum")), 0, MAX_SERVO_NUM);
}

std::wstring ServoReferenceKeyName(int id) { return L"ID" + std::to_wstring(id); }

std::optional<int> ConfigReferenceAngle(const std::wstring& configPath, int id) {
  const std::wstring text = ReadConfigString(configPath, ServoReferenceKeyName(id));
  if (text == kConfigMissing) return std::nullopt;
  return ServoAngle(ZAVNarrowToUtf8(text));
}
