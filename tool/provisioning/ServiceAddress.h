#pragma once

#include <string>

// The base URL of the equipment service, one for the process. It is read from sys.ini (section
// "Settings", key "Server") and never written there. Until it is read it is the default.

// The address used when sys.ini, its section or its key is missing: the equipment service
// simulator on this machine.
inline constexpr wchar_t kDefaultServiceAddress[] = L"http://127.0.0.1:8081";

// At most this many characters of the configured address are used; the rest is dropped.
inline constexpr std::size_t kMaxServiceAddressLength = 259;

// Reads the address from sys.ini in the folder of the running program.
void LoadServiceAddress();
// Reads the address from the ini file at iniPath.
void LoadServiceAddress(const std::wstring& iniPath);

// Sets the address directly (a command-line option of a tool, or a test), cut to the same length.
void SetServiceAddress(const std::wstring& address);

// The address in force. Safe to call from any thread.
std::wstring GetServiceAddress();
