#include "calibration/CaltrimConfig.h"

#include <algorithm>
#include <cstdlib>

#include "ZAVUIBase.h"
#include "calibration/CalibrationMessages.h"

namespace {
const wchar_t kMissing[] = L"Error";
// The value buffer of the profile reader this replaces held 260 characters.
constexpr int kMaxValueLength = 260;
}  // namespace

QString ReadConfigText(const std::wstring& configPath, const QString& key) {
  const std::wstring value =
      ReadIniString(L"Config", key.toStdWString().c_str(), kMissing, configPath.c_str());
  return QString::fromStdWString(value).left(kMaxValueLength - 1);
}

int ConfigTextToInt(const QString& text) { return std::atoi(text.toUtf8().constData()); }

int ServoCountFromConfig(const std::wstring& configPath) {
  const int count = ConfigTextToInt(ReadConfigText(configPath, QStringLiteral("ServoNum")));
  return std::clamp(count, 0, MAX_SERVO_NUM);
}

QString ServoReferenceKey(int id) { return QStringLiteral("ID%1").arg(id); }

bool ProvisioningButtonsShown(bool option, const std::wstring& configPath) {
  return option || ConfigTextToInt(ReadConfigText(configPath, QStringLiteral("Provisioning"))) != 0;
}

bool ConfigKeyPresent(const QString& text) { return text != QString::fromWCharArray(kMissing); }
