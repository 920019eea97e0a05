#include "calibration/CaltrimConfig.h"

#include "calibration/rules/ServoConfig.h"

QString ReadConfigText(const std::wstring& configPath, const QString& key) {
  return QString::fromStdWString(ReadConfigString(configPath, key.toStdWString()));
}

int ServoCountFromConfig(const std::wstring& configPath) { return ConfigServoCount(configPath); }

QString ServoReferenceKey(int id) { return QString::fromStdWString(ServoReferenceKeyName(id)); }

bool ProvisioningButtonsShown(bool option, const std::wstring& configPath) {
  return option || ConfigStringToInt(ReadConfigString(configPath, L"Provisioning")) != 0;
}

bool ConfigKeyPresent(const QString& text) { return text != QString::fromWCharArray(kConfigMissing); }
