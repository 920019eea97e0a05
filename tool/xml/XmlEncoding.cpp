#include "xml/XmlEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <vector>

namespace {

bool StartsWith(const std::string& raw, std::initializer_list<unsigned char> prefix) {
  if (raw.size() < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), raw.begin(),
                    [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); });
}

// Byte order marks, and the zero bytes that UTF-16 and UTF-32 put into an ASCII "<": such files
// are left to pugixml's own detection.
bool IsWideOrMarked(const std::string& raw) {
  if (StartsWith(raw, {0xEF, 0xBB, 0xBF}) || StartsWith(raw, {0xFE, 0xFF}) ||
      StartsWith(raw, {0xFF, 0xFE})) {
    return true;
  }
  const std::size_t head = std::min<std::size_t>(raw.size(), 4);
  return std::find(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(head), '\0') !=
         raw.begin() + static_cast<std::ptrdiff_t>(head);
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// Files labelled GB2312 or GBK routinely carry characters of the larger GBK / GB18030 sets;
// GB18030 reads all of them the same way, so those labels are read as GB18030.
std::string ConverterName(const std::string& declared) {
  const std::string name = Upper(declared);
  if (name == "GB2312" || name == "GBK" || name == "CP936" || name == "EUC-CN" ||
      name == "X-GBK") {
    return "GB18030";
  }
  return name;
}

bool ConvertToUtf8(const std::string& raw, const std::string& from, std::string* out) {
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::vector<char> buffer(raw.size() * 4 + 16);
  char* in = const_cast<char*>(raw.data());
  std::size_t inLeft = raw.size();
  char* outPtr = buffer.data();
  std::size_t outLeft = buffer.size();
  const std::size_t done = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1) || inLeft != 0) return false;
  out->assign(buffer.data(), buffer.size() - outLeft);
  return true;
}

}  // namespace

std::string DeclaredXmlEncoding(const std::string& raw) {
  // Only the declaration is of interest here; the bytes after it may still be in any encoding
  // whose multi-byte sequences avoid the XML markup characters, which is true of the legacy
  // encodings this serves.
  pugi::xml_document doc;
  const pugi::xml_parse_result result =
      doc.load_buffer(raw.data(), raw.size(), pugi::parse_declaration, pugi::encoding_utf8);
  if (!result) return std::string();
  const pugi::xml_node first = doc.first_child();
  if (first.type() != pugi::node_declaration) return std::string();
  return first.attribute("encoding").value();
}

bool PrepareXmlText(const std::string& raw, XmlText* out) {
  if (IsWideOrMarked(raw)) {
    out->bytes = raw;
    out->encoding = pugi::encoding_auto;
    return true;
  }
  const std::string declared = Upper(DeclaredXmlEncoding(raw));
  if (declared.empty() || declared == "UTF8" || declared.rfind("UTF-", 0) == 0) {
    out->bytes = raw;
    out->encoding = pugi::encoding_utf8;
    return true;
  }
  out->encoding = pugi::encoding_utf8;
  return ConvertToUtf8(raw, ConverterName(declared), &out->bytes);
}
