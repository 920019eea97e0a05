#pragma once

#include <string>

#include <pugixml.hpp>

// The raw bytes of an XML file made ready for pugixml. pugixml itself reads UTF-8, and UTF-16 and
// UTF-32 when a byte order mark (or the "<?" pattern) tells them apart; a file that declares a
// legacy encoding (GB2312, GBK, GB18030, ISO-8859-1, ...) is converted to UTF-8 first.
struct XmlText {
  std::string bytes;
  pugi::xml_encoding encoding = pugi::encoding_auto;
};

// The encoding named by the XML declaration of raw, as written there ("" when the file has no
// declaration or the declaration names none). Only meaningful for ASCII-compatible bytes.
std::string DeclaredXmlEncoding(const std::string& raw);

// Fills *out from raw. False when the declared encoding is unknown to the system's converter or
// raw holds bytes that are not valid in it.
bool PrepareXmlText(const std::string& raw, XmlText* out);
