#pragma once

#include <string>
#include <string_view>

// Wide texts cross the library as wchar_t (UTF-32 on Linux); files and paths hold UTF-8.
// Ill-formed input never fails: each bad byte or code point becomes U+FFFD.

namespace zavuibase {

std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

}  // namespace zavuibase
