#include "TextEncoding.h"

#include "Utf8.h"

namespace zavuibase {
namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

bool IsTextCharacter(char32_t c) { return c >= 0x20 || (c >= '\t' && c <= '\r'); }

bool AllText(const std::string& utf8) {
  for (char c : utf8) {
    if (!IsTextCharacter(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool IsSurrogate(char32_t unit, char32_t first) { return unit >= first && unit < first + 0x400; }

// The UTF-16 units after the two-byte mark, as text; false when they are no well-formed UTF-16.
bool DecodeUtf16(const std::string& bytes, bool bigEndian, std::string* utf8) {
  if (bytes.size() % 2 != 0) return false;
  std::wstring text;
  for (std::size_t i = 2; i < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    const auto second = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    char32_t unit = (char32_t{first} << 8) | second;
    if (IsSurrogate(unit, 0xDC00)) return false;
    if (IsSurrogate(unit, 0xD800)) {
      i += 2;
      if (i >= bytes.size()) return false;
      const auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
      const auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
      const char32_t next = (char32_t{high} << 8) | low;
      if (!IsSurrogate(next, 0xDC00)) return false;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
    }
    text.push_back(static_cast<wchar_t>(unit));
  }
  *utf8 = WideToUtf8(text);
  return true;
}

std::string EncodeUtf16(const std::string& utf8, bool bigEndian) {
  std::string bytes;
  const auto put = [&](char32_t unit) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  };
  put(0xFEFF);
  for (const wchar_t w : Utf8ToWide(utf8)) {
    const auto c = static_cast<char32_t>(w);
    if (c < 0x10000) {
      put(c);
    } else {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return bytes;
}

// Every line end as CR LF; a line that already ends so is left as it is.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

bool DecodeText(const std::string& bytes, std::string* utf8, TextForm* form) {
  *form = TextForm();
  bool decoded = true;
  if (bytes.rfind("\xFF\xFE", 0) == 0) {
    form->encoding = TextForm::Encoding::kUtf16Le;
    decoded = DecodeUtf16(bytes, false, utf8);
  } else if (bytes.rfind("\xFE\xFF", 0) == 0) {
    form->encoding = TextForm::Encoding::kUtf16Be;
    decoded = DecodeUtf16(bytes, true, utf8);
  } else if (bytes.rfind(kUtf8Mark, 0) == 0) {
    form->encoding = TextForm::Encoding::kUtf8WithMark;
    *utf8 = bytes.substr(3);
  } else {
    *utf8 = bytes;
  }
  if (!decoded || !AllText(*utf8)) return false;
  const std::size_t lineEnd = utf8->find('\n');
  form->crlf = lineEnd != std::string::npos && lineEnd > 0 && (*utf8)[lineEnd - 1] == '\r';
  return true;
}

std::string EncodeText(const std::string& utf8, const TextForm& form) {
  const std::string text = form.crlf ? WithCrLf(utf8) : utf8;
  switch (form.encoding) {
    case TextForm::Encoding::kUtf8WithMark: return kUtf8Mark + text;
    case TextForm::Encoding::kUtf16Le: return EncodeUtf16(text, false);
    case TextForm::Encoding::kUtf16Be: return EncodeUtf16(text, true);
    default: return text;
  }
}

}  // namespace zavuibase
