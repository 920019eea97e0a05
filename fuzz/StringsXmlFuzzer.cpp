// strings.xml as start-up reads it: the file through the XML reader, which detects its text
// encoding (a byte-order mark, UTF-16 or UTF-32 by the zero bytes around "<", a declared legacy
// encoding converted first), into the string table of each language. The same text must give
// the same tables whichever Unicode form the file is stored in.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "ZAVUIBase.h"
#include "app/CLanguageStringTable.h"
#include "xml/XmlEncoding.h"

using fuzzsupport::Check;
using fuzzsupport::ScratchFolder;

namespace {

using Keys = std::set<std::wstring>;

// Every NAME attribute of the document, wherever it stands: the keys a table of it may hold.
Keys NamesIn(const std::string& utf8) {
  Keys keys{L""};
  pugi::xml_document doc;
  if (!doc.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8)) return keys;
  for (const pugi::xpath_node& name : doc.select_nodes("//@NAME")) {
    keys.insert(pugi::as_wide(name.attribute().value()));
  }
  return keys;
}

// The tables of both languages: their sizes and their texts of keys.
struct Tables {
  std::size_t sizes[2] = {};
  std::map<std::wstring, std::wstring> texts[2];

  bool operator==(const Tables& other) const {
    return sizes[0] == other.sizes[0] && sizes[1] == other.sizes[1] && texts[0] == other.texts[0] &&
           texts[1] == other.texts[1];
  }
};

Tables Load(const ScratchFolder& folder, const std::string& bytes, const Keys& keys) {
  Check(folder.Put("strings.xml", bytes));
  const std::wstring path = ZAVWidenUtf8(folder.File("strings.xml"));
  Tables tables;
  for (int language : {1, 2}) {
    const CLanguageStringTable table(language, path);
    Check(table.Language() == language);
    tables.sizes[language - 1] = table.Size();
    for (const std::wstring& key : keys) {
      std::wstring text;
      if (table.Lookup(key, &text)) tables.texts[language - 1][key] = text;
    }
  }
  // A language without a code reads nothing, whatever the file holds.
  Check(CLanguageStringTable(0, path).Size() == 0);
  return tables;
}

std::string Utf16(const std::wstring& text, bool bigEndian) {
  std::string bytes;
  const auto put = [&](unsigned unit) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  };
  for (const wchar_t c : text) {
    const auto code = static_cast<unsigned>(c);
    if (code < 0x10000) {
      put(code);
    } else {
      put(0xD800 + ((code - 0x10000) >> 10));
      put(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
  }
  return bytes;
}

// Well-formed UTF-8 without zero bytes and without a mark, whose declaration (if any) names no
// other encoding: text that can be stored in each Unicode form unchanged.
bool IsPlainUnicodeText(const std::string& bytes, std::wstring* text) {
  if (bytes.find('\0') != std::string::npos || bytes.rfind("\xEF\xBB\xBF", 0) == 0) return false;
  *text = ZAVWidenUtf8(bytes);
  if (ZAVNarrowToUtf8(*text) != bytes) return false;
  const std::string declared = DeclaredXmlEncoding(bytes);
  return declared.empty() || declared == "UTF-8" || declared == "utf-8";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFolder folder;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::wstring text;
  if (!IsPlainUnicodeText(bytes, &text)) {
    Load(folder, bytes, {});
    return 0;
  }
  const Keys keys = NamesIn(bytes);
  const Tables tables = Load(folder, bytes, keys);
  Check(Load(folder, "\xEF\xBB\xBF" + bytes, keys) == tables);
  for (const bool bigEndian : {false, true}) {
    const std::string mark = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    Check(Load(folder, mark + Utf16(text, bigEndian), keys) == tables);
    // Without a mark the zero byte beside a leading "<" tells UTF-16.
    if (bytes.rfind('<', 0) == 0) Check(Load(folder, Utf16(text, bigEndian), keys) == tables);
  }
  return 0;
}
