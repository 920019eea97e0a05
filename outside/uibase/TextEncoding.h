#pragma once

#include <string>

namespace zavuibase {

// How a text file's bytes hold its text, so that a rewrite keeps the form it was found in.
struct TextForm {
  enum class Encoding { kUtf8, kUtf8WithMark, kUtf16Le, kUtf16Be };
  Encoding encoding = Encoding::kUtf8;
  bool crlf = false;  // lines end in CR LF (the first line end found says so)
};

// The text of bytes as UTF-8, and its form. UTF-16 is recognised by its byte-order mark;
// anything else is taken as 8-bit text and kept byte for byte (a file in a legacy code page
// survives a rewrite unchanged). False when the bytes are no text: a zero byte or another control
// character than tab, line feed, vertical tab, form feed and carriage return (damaged files, and
// UTF-16 or UTF-32 without a mark), or UTF-16 of an odd length or with a lone surrogate.
bool DecodeText(const std::string& bytes, std::string* utf8, TextForm* form);

// utf8 back in form: the same encoding and mark, and CR LF line ends where the file had them.
std::string EncodeText(const std::string& utf8, const TextForm& form);

}  // namespace zavuibase
