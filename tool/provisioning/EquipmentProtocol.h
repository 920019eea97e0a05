#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>

// The equipment service's wire format, as plain functions: the request key, the JSON bodies of
// the verify and confirm requests, and the meaning of the service's answer. Texts are UTF-8.

// The secret both sides of the request key share.
inline constexpr char kRequestKeyText[] = "Qorvex718%4402*9";

// Paths of the two requests, appended to the service address.
inline constexpr wchar_t kVerifyPath[] = L"/zav/equipment/verify";
inline constexpr wchar_t kConfirmPath[] = L"/zav/equipment/confirm";

// Verification results of a verify request.
enum VerifyResult : int {
  kVerifyFailed = 0,       // refused, or no usable answer
  kVerifyAccepted = 1,     // "0000": the number may be written into the robot
  kVerifyFormatError = 2,  // "2003"
  kVerifyOccupied = 3,     // "2004": the number is already in use
  kVerifyNonExistent = 4,  // "2005": the number is not in the register
};

// when as local calendar time, "%Y%m%d%H%M%S" (14 digits).
std::string FormatRequestTime(std::time_t when);

// MD5 of requestTime immediately followed by kRequestKeyText, as 32 upper-case hex digits.
std::string MakeRequestKey(const std::string& requestTime);

// value as a JSON string literal, quotes included. Only what JSON requires is escaped (the quote,
// the backslash and control characters); every other character, non-ASCII ones too, stays as it
// is, so an ordinary value reads exactly as written.
std::string JsonQuote(const std::string& value);

// The four header members in their order, without braces:
// "appType":"2","serviceVersion":"...","requestKey":"...","requestTime":"..."
std::string RequestHeaderMembers(const std::string& serviceVersion, const std::string& requestTime);

// The whole bodies: "{" header "," members "}", one space after each comma of the members.
std::string BuildVerifyBody(const std::string& header, const std::string& serial);
std::string BuildConfirmBody(const std::string& header, const std::string& serial,
                             const std::string& macAddress);

// The "info" code of a response body: present only when the body parses as JSON whose root is a
// non-empty object with a string member "info".
std::optional<std::string> ResponseInfoCode(const char* data, std::size_t size);

// What a code means to each request, codes compared without regard to case; no code, or one not
// listed, gives kVerifyFailed and false.
int VerifyResultFromCode(const std::optional<std::string>& code);
bool ConfirmResultFromCode(const std::optional<std::string>& code);
