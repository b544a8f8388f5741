// XmlDocument: the XML reader each generation worker holds (one per thread; the
// class does not lock). Load an API answer, then read fields by path:
//
//   XmlDocument doc;
//   doc.loadBytes(answer, false, false);              // empties the document first
//   std::string title = doc.nodeText("item_get_response/item/title");
//   bool found;
//   int32_t n = doc.childCount("item_get_response/item/skus", found);
//   std::string price = doc.nodeText("item_get_response/item/skus/@2/price");
//   std::string err = doc.nodeText("@1/msg");         // "@1" is the root, whatever its name
//   std::string key = doc.attributeValue("@1/@3", "appkey");
//
// Paths are "/"-separated components: an element name (exact bytes, case counts),
// "@n" for the n-th child counted from 1 (at the top only "@1", the root) or "@#n"
// for node number n ("@#0" is the root). Texts are GBK; "utf-8" answers are
// converted on load. Entities reach the caller undecoded. Nothing throws: a path
// that names no node gives empty text, 0 or false; a failed load leaves the
// document empty.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/xml_tree.h"

class XmlDocument {
 public:
  XmlDocument() = default;
  XmlDocument(const XmlDocument&) = default;
  XmlDocument& operator=(const XmlDocument&) = default;
  XmlDocument(XmlDocument&&) noexcept = default;
  XmlDocument& operator=(XmlDocument&&) noexcept = default;
  ~XmlDocument() = default;

  // A document holding one root element; refused for an empty name or one that
  // starts with "@", "<", a space, tab, CR or LF.
  bool create(std::string_view name);
  bool loadBytes(std::string_view data, bool forceUtf8 = false, bool quoteAware = false);
  // Writes toBytes() unchanged (GBK, no byte-order mark); the result of the write.
  bool saveToFile(const std::string& path) const;
  void clear();

  bool getRootName(std::string& name) const;
  bool getChildCount(std::string_view path, int32_t& count) const;
  bool childNames(std::string_view path, std::vector<std::string>& names) const;
  std::string nodeText(std::string_view path) const;
  bool attributeNames(std::string_view path, std::vector<std::string>& names) const;
  // The first attribute of that name; true only when node and attribute exist.
  bool attributeValue(std::string_view path, std::string_view name, std::string& value) const;
  std::string attributeValue(std::string_view path, std::string_view name) const;

  // Editing; each reports whether the path (and, where named, the attribute) was found.
  bool addChild(std::string_view path, std::string_view name, std::string_view text);
  bool addAttribute(std::string_view path, std::string_view name, std::string_view value);
  bool remove(std::string_view path);  // false for the root, which cannot be removed
  bool removeAttribute(std::string_view path, std::string_view name);
  bool rename(std::string_view path, std::string_view newName);
  bool setText(std::string_view path, std::string_view text);
  bool renameAttribute(std::string_view path, std::string_view name, std::string_view newName);
  bool setAttributeValue(std::string_view path, std::string_view name, std::string_view value);

  std::string rootName(bool& found) const;
  int32_t childCount(std::string_view path, bool& found) const;
  int32_t childCount(std::string_view path) const;
  int32_t attributeCount(std::string_view path, bool& found) const;

  // The writer's output: the gb2312 declaration, then the tree without line breaks.
  std::string toBytes() const;
  XmlNodeTree exportTree() const { return tree_; }
  void importTree(const XmlNodeTree& tree) { tree_ = tree; }
  const XmlNodeTree& tree() const { return tree_; }

 private:
  const XmlNode* find(std::string_view path) const;
  XmlNode* findMutable(std::string_view path);

  XmlNodeTree tree_;
};
