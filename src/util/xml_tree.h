// The node store behind XmlDocument: the reader, the writer, path resolution and
// index-based node operations. Texts are GBK byte strings; node numbers start at 1
// and stay stable (a released node keeps its slot and its number is reused later,
// oldest first). After a load, nodes are numbered in the order their elements
// close, so the root has the highest number.
//
// This reader is deliberately small and lenient, not a conforming XML parser: it
// cuts the data at every "<", keeps names, attributes and the text directly after
// a start tag, drops declarations and comments, and decodes no entities.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct XmlAttribute {
  std::string name;
  std::string value;  // double quotes removed

  bool operator==(const XmlAttribute&) const = default;
};

struct XmlNode {
  std::string name;
  std::string text;
  std::vector<XmlAttribute> attributes;
  std::vector<int32_t> children;  // node numbers, document order
  int32_t parent = 0;             // 0 for the root and for other top-level elements
  int32_t index = 0;              // the node's own number
};

class XmlNodeTree {
 public:
  // toText / writeNode: the writer. Node 0 stands for the root; writing it starts
  // the text afresh with the gb2312 declaration. No escaping, no line breaks;
  // texts holding "<" go into a CDATA section.
  std::string toText() const;
  void writeNode(int32_t number, std::string& text) const;

  // Empties the tree, converts the encoding, lifts CDATA sections out and parses.
  // A failed parse leaves the tree empty.
  bool load(std::string_view data, bool forceUtf8 = false, bool quoteAware = false);
  void clear();

  // -1 for 0, out-of-range and released numbers; 0 for the root; 1 otherwise.
  int32_t nodeState(int32_t number) const;
  // A copy of the node (0 = root); false when its state is -1.
  bool getNode(int32_t number, XmlNode& node) const;
  // Refuses the root and invalid numbers (returns their state); otherwise unhooks
  // the node from its parent, releases it with its subtree and returns 1.
  int32_t deleteNode(int32_t number);
  void releaseNode(int32_t number);
  // Sets each field given (0 = root). An offset swaps the node with the sibling
  // that many places away when that position exists.
  bool setNode(int32_t number, const std::optional<std::string>& name = std::nullopt,
               const std::optional<std::string>& text = std::nullopt,
               const std::optional<std::vector<XmlAttribute>>& attributes = std::nullopt,
               std::optional<int32_t> offset = std::nullopt);
  // Without a parent: a fresh tree whose root is node 1. With one (0 = root): a new
  // last child, reusing the oldest released number first; -1 for an invalid parent.
  int32_t addNode(std::optional<int32_t> parent = std::nullopt);

  // Paths: components split at "/"; a name, "@n" (n-th child from 1; above the
  // root only "@1", the root), "@#n" (node number n, "@#0" the root).
  int32_t indexOfPath(std::string_view path) const;
  // "@1/@k/..." from the root; empty for invalid numbers and nodes not under the root.
  std::string pathOfIndex(int32_t number) const;
  bool getNodeByPath(std::string_view path, XmlNode& node) const;

  // Parses `attributeText` like the attributes of a start tag (tokens without "="
  // skipped), empties it, then: "+" appends the pairs, "-" removes attributes named
  // among them, "%" sets the values of attributes so named, "<" replaces the list,
  // ">" writes the list back into the text as ` name="value"` items.
  static void editAttributes(std::vector<XmlAttribute>& attributes, std::string_view operation,
                             std::string& attributeText);

  // One step of path resolution; `current` -1 stands above the root, 0 for the root.
  int32_t resolveStep(int32_t current, std::string_view component) const;
  std::string nameOf(int32_t number) const;

  // Replaces each CDATA section by a placeholder (marker + "," + k + ".") and keeps
  // its content in the CDATA store; returns the number of sections lifted.
  int32_t extractCdata(std::string& data);
  bool parse(std::string_view data, bool quoteAware);
  // Splits at a one-byte separator lying outside double quotes; the rest after the
  // last separator is the last piece (so there is always at least one).
  static void splitOutsideQuotes(std::string_view data, std::string_view separator, std::vector<std::string>& pieces);
  static bool closingTagName(std::string_view piece, std::string& name);
  // `g` is the 1-based position of the piece's last ">".
  bool parseStartTag(std::string_view piece, size_t length, size_t g, XmlNode& node, bool withText) const;
  // "@" + `length` random capital letters that do not occur in the data, or empty
  // after 100 failed draws. Safe to call from several threads at once.
  static std::string makeMarker(std::string_view data, int length = 5);
  // The CDATA content when the bytes hold a placeholder of the last load, else the bytes.
  std::string restoreText(std::string_view bytes) const;
  // Converts UTF-8 to GBK when the declaration says "utf-8" or when forced; a
  // "gb2312" declaration is never converted. Returns whether it converted.
  static bool convertEncoding(std::string& data, bool force);
  int32_t slotCount() const { return int32_t(nodes_.size()); }

  // The pieces of the start-tag reader, exposed for tests and callers that build tags.
  static std::string collapseEquals(std::string_view bytes);
  static std::string stripWhitespace(std::string_view bytes);

  // Read-only views of the store.
  const XmlNode* nodeAt(int32_t number) const;  // 0 = root; nullptr when state is -1
  int32_t root() const { return root_; }
  const std::vector<int32_t>& freeList() const { return freeList_; }
  const std::vector<std::string>& cdataStore() const { return cdataStore_; }
  const std::string& cdataMarker() const { return cdataMarker_; }

 private:
  friend class XmlDocument;

  // Buffers kept from load to load, so that a worker reading answer after answer
  // does not allocate a fresh large block each time (on some heaps every such
  // block is mapped and faulted in anew). Not part of the tree's value: a copy
  // starts with empty buffers.
  struct LoadBuffers {
    std::string data;                // working copy of the data being loaded
    std::string spare;               // second buffer for lifting out CDATA sections
    std::wstring wide;               // intermediate of the UTF-8 conversion
    std::vector<std::string> texts;  // large texts of the previous load, for reuse
    LoadBuffers() = default;
    LoadBuffers(const LoadBuffers&) noexcept {}
    LoadBuffers& operator=(const LoadBuffers&) noexcept { return *this; }
  };

  XmlNode* mutableNodeAt(int32_t number);
  int32_t resolveRoot(int32_t number) const { return number == 0 ? root_ : number; }
  void dropNodes();
  void restoreInto(std::string_view bytes, std::string& text) const;
  std::string takeBuffer(size_t size) const;
  void keepBuffer(std::string&& buffer) const;

  std::vector<XmlNode> nodes_;
  std::vector<std::string> cdataStore_;
  std::string cdataMarker_;
  int32_t root_ = 0;
  std::vector<int32_t> freeList_;
  std::vector<char> released_;  // released_[n - 1] mirrors membership of n in freeList_
  mutable LoadBuffers buffers_;
};
