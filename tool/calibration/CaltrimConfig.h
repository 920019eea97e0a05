#pragma once

#include <QString>
#include <string>

// Config.ini, section "Config", as the main window reads it.

// The text of key, or "Error" when the file or the key is missing (the program's documented
// default, which also reads as 0 servos).
QString ReadConfigText(const std::wstring& configPath, const QString& key);

// "ServoNum" as a panel count: 0 for a missing or negative value, at most MAX_SERVO_NUM.
int ServoCountFromConfig(const std::wstring& configPath);

// The key of servo id's reference angle: "ID<id>".
QString ServoReferenceKey(int id);

// The switch that shows the serial-number and language buttons for the production line: the
// command-line option, or a number other than 0 under "Provisioning" in Config.ini.
inline constexpr char kProvisioningOption[] = "--provisioning";
bool ProvisioningButtonsShown(bool option, const std::wstring& configPath);

// True when ReadConfigText found the key (its default "Error" marks a missing key).
bool ConfigKeyPresent(const QString& text);
