#include "util/xml_document.h"

#include <algorithm>

namespace {

template <class Attributes>
auto firstNamed(Attributes& attributes, std::string_view name) {
  return std::find_if(attributes.begin(), attributes.end(), [&](const XmlAttribute& a) { return a.name == name; });
}

}  // namespace

const XmlNode* XmlDocument::find(std::string_view path) const {
  int32_t n = tree_.indexOfPath(path);
  return n < 0 ? nullptr : tree_.nodeAt(n);
}

XmlNode* XmlDocument::findMutable(std::string_view path) {
  int32_t n = tree_.indexOfPath(path);
  return n < 0 ? nullptr : tree_.mutableNodeAt(n);
}

bool XmlDocument::create(std::string_view name) {
  if (name.empty()) return false;
  switch (name[0]) {
    case '@':
    case '<':
    case ' ':
    case '\t':
    case '\r':
    case '\n':
      return false;
  }
  tree_.addNode();
  tree_.setNode(1, std::string(name));
  return true;
}

bool XmlDocument::loadBytes(std::string_view data, bool forceUtf8, bool quoteAware) {
  return tree_.load(data, forceUtf8, quoteAware);
}

void XmlDocument::clear() { tree_.clear(); }

bool XmlDocument::getRootName(std::string& name) const {
  const XmlNode* r = tree_.nodeAt(0);
  name = r ? r->name : std::string();
  return r != nullptr;
}

bool XmlDocument::getChildCount(std::string_view path, int32_t& count) const {
  bool found = false;
  count = childCount(path, found);
  return found;
}

bool XmlDocument::childNames(std::string_view path, std::vector<std::string>& names) const {
  names.clear();
  const XmlNode* n = find(path);
  if (!n) return false;
  for (int32_t c : n->children) names.push_back(tree_.nameOf(c));
  return true;
}

std::string XmlDocument::nodeText(std::string_view path) const {
  const XmlNode* n = find(path);
  return n ? n->text : std::string();
}

bool XmlDocument::attributeNames(std::string_view path, std::vector<std::string>& names) const {
  names.clear();
  const XmlNode* n = find(path);
  if (!n) return false;
  for (const XmlAttribute& a : n->attributes) names.push_back(a.name);
  return true;
}

bool XmlDocument::attributeValue(std::string_view path, std::string_view name, std::string& value) const {
  value.clear();
  const XmlNode* n = find(path);
  if (!n) return false;
  auto a = firstNamed(n->attributes, name);
  if (a == n->attributes.end()) return false;
  value = a->value;
  return true;
}

std::string XmlDocument::attributeValue(std::string_view path, std::string_view name) const {
  std::string value;
  attributeValue(path, name, value);
  return value;
}

bool XmlDocument::addChild(std::string_view path, std::string_view name, std::string_view text) {
  int32_t parent = tree_.indexOfPath(path);
  if (parent < 0) return false;
  int32_t child = tree_.addNode(parent);
  return tree_.setNode(child, std::string(name), std::string(text));
}

bool XmlDocument::addAttribute(std::string_view path, std::string_view name, std::string_view value) {
  XmlNode* n = findMutable(path);
  if (!n) return false;
  n->attributes.push_back({std::string(name), std::string(value)});
  return true;
}

bool XmlDocument::remove(std::string_view path) {
  int32_t n = tree_.indexOfPath(path);
  return n >= 0 && tree_.deleteNode(n) == 1;
}

bool XmlDocument::removeAttribute(std::string_view path, std::string_view name) {
  XmlNode* n = findMutable(path);
  if (!n) return false;
  auto a = firstNamed(n->attributes, name);
  if (a == n->attributes.end()) return false;
  n->attributes.erase(a);
  return true;
}

bool XmlDocument::rename(std::string_view path, std::string_view newName) {
  XmlNode* n = findMutable(path);
  if (!n) return false;
  n->name = newName;
  return true;
}

bool XmlDocument::setText(std::string_view path, std::string_view text) {
  XmlNode* n = findMutable(path);
  if (!n) return false;
  n->text = text;
  return true;
}

bool XmlDocument::renameAttribute(std::string_view path, std::string_view name, std::string_view newName) {
  XmlNode* n = findMutable(path);
  if (!n) return false;
  auto a = firstNamed(n->attributes, name);
  if (a == n->attributes.end()) return false;
  a->name = newName;
  return true;
}

bool XmlDocument::setAttributeValue(std::string_view path, std::string_view name, std::string_view value) {
  XmlNode* n = findMutable(path);
  if (!n) return false;
  auto a = firstNamed(n->attributes, name);
  if (a == n->attributes.end()) return false;
  a->value = value;
  return true;
}

std::string XmlDocument::rootName(bool& found) const {
  std::string name;
  found = getRootName(name);
  return name;
}

int32_t XmlDocument::childCount(std::string_view path, bool& found) const {
  const XmlNode* n = find(path);
  found = n != nullptr;
  return n ? int32_t(n->children.size()) : 0;
}

int32_t XmlDocument::childCount(std::string_view path) const {
  bool found;
  return childCount(path, found);
}

int32_t XmlDocument::attributeCount(std::string_view path, bool& found) const {
  const XmlNode* n = find(path);
  found = n != nullptr;
  return n ? int32_t(n->attributes.size()) : 0;
}

std::string XmlDocument::toBytes() const { return tree_.toText(); }
