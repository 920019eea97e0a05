#pragma once

#include <string>

#include <pugixml.hpp>

// Reads an XML document and walks it one level at a time. A level is the list of child elements
// of one element (or of the document); the current element is the one the last successful
// FindElem stopped at, and there is none right after Load or IntoElem.
class CXmlReader {
 public:
  CXmlReader();

  CXmlReader(const CXmlReader&) = delete;
  CXmlReader& operator=(const CXmlReader&) = delete;

  // Reads the file at path (UTF-8 file name) and parses it, detecting its text encoding. The
  // current level becomes the document's top level. False when the file cannot be read, its
  // encoding cannot be decoded, or it is not well-formed XML; the reader is then empty.
  bool Load(const std::string& path);

  // Looks among the elements of the current level after the current one (from the first when
  // there is none) for the next one named name, compared exactly, and makes it current. False
  // when there is no such element; the current element then stays as it was.
  bool FindElem(const char* name);

  // Makes the children of the current element the current level, with no current element yet.
  // False when there is no current element.
  bool IntoElem();

  // Goes back to the level of the current level's parent, making that parent current again.
  // False at the top level.
  bool OutOfElem();

  // The value of the current element's attribute name; empty when it or the element is absent.
  std::wstring GetAttrib(const char* name) const;

  // The text content of the current element (its first text or CDATA child, entities resolved);
  // empty when it has none or there is no current element.
  std::wstring GetData() const;

 private:
  pugi::xml_document m_doc;
  pugi::xml_node m_parent;   // the element whose children form the current level
  pugi::xml_node m_current;  // the current element of that level, or null
};
