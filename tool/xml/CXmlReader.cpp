#include "xml/CXmlReader.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "xml/XmlEncoding.h"

namespace {

bool ReadFile(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

CXmlReader::CXmlReader() : m_parent(m_doc) {}

bool CXmlReader::Load(const std::string& path) {
  m_doc.reset();
  m_parent = m_doc;
  m_current = pugi::xml_node();
  std::string raw;
  XmlText text;
  if (!ReadFile(path, &raw) || !PrepareXmlText(raw, &text)) return false;
  const pugi::xml_parse_result result =
      m_doc.load_buffer(text.bytes.data(), text.bytes.size(), pugi::parse_default, text.encoding);
  if (!result) {
    m_doc.reset();
    return false;
  }
  return true;
}

bool CXmlReader::FindElem(const char* name) {
  pugi::xml_node node = m_current ? m_current.next_sibling() : m_parent.first_child();
  for (; node; node = node.next_sibling()) {
    if (node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0) {
      m_current = node;
      return true;
    }
  }
  return false;
}

bool CXmlReader::IntoElem() {
  if (!m_current) return false;
  m_parent = m_current;
  m_current = pugi::xml_node();
  return true;
}

bool CXmlReader::OutOfElem() {
  if (m_parent == m_doc) return false;
  m_current = m_parent;
  m_parent = m_parent.parent();
  return true;
}

std::wstring CXmlReader::GetAttrib(const char* name) const {
  if (!m_current) return std::wstring();
  return pugi::as_wide(m_current.attribute(name).value());
}

std::wstring CXmlReader::GetData() const {
  if (!m_current) return std::wstring();
  return pugi::as_wide(m_current.text().get());
}
