// Node store, path resolution, reader and writer. Free of <windows.h>: the one
// platform service it needs, UTF-8 to GBK conversion, comes from util/text.
#include "util/xml_tree.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <thread>

#include "util/text.h"

namespace {

constexpr std::string_view kCdataOpen = "<![CDATA[";
constexpr std::string_view kCdataClose = "]]>";
constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"gb2312\"?>";

// Texts from this size up are taken from, and handed back to, the load buffers.
constexpr size_t kLargeText = 16 * 1024;

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool onlyBlanks(std::string_view s) {
  for (char c : s)
    if (!isBlank(c)) return false;
  return true;
}

// Leading decimal integer: optional spaces, optional sign, digits; 0 when there
// are no digits. Clamped to the 32-bit range so huge numbers stay invalid numbers.
int32_t leadingInteger(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > INT_MAX) v = (long long)INT_MAX + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return int32_t(v);
}

// Components of a path: split at every "/", inner empty fields kept, an empty
// last field dropped (the project's splitting rule).
std::vector<std::string_view> pathComponents(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    size_t slash = path.find('/', start);
    if (slash == std::string_view::npos) {
      if (start < path.size()) parts.push_back(path.substr(start));
      break;
    }
    parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

// Removes every run of `c` that directly precedes "=" (before == true) or directly
// follows one: the fixed point of replacing "c=" (or "=c") by "=" until none is left.
std::string dropRunsBesideEquals(std::string_view s, char c, bool before) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != c) {
      out += s[i++];
      continue;
    }
    size_t j = i;
    while (j < s.size() && s[j] == c) ++j;
    bool drop = before ? (j < s.size() && s[j] == '=') : (i > 0 && s[i - 1] == '=');
    if (!drop) out.append(s.substr(i, j - i));
    i = j;
  }
  return out;
}

// Tokens of a start tag's head: cut at spaces outside double quotes. A trailing
// "/" (self-closing tag) is cut off the last token and becomes a token of its own.
std::vector<std::string_view> headTokens(std::string_view head, bool slashRule) {
  std::vector<std::string_view> tokens;
  bool slashEnd = slashRule && !head.empty() && head.back() == '/';
  std::string_view body = slashEnd ? head.substr(0, head.size() - 1) : head;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] == '"') {
      quoted = !quoted;
    } else if (body[i] == ' ' && !quoted) {
      tokens.push_back(body.substr(start, i - start));
      start = i + 1;
    }
  }
  tokens.push_back(body.substr(start));
  if (slashEnd) tokens.push_back("/");
  return tokens;
}

bool isAttributeToken(std::string_view token) {
  std::string bare = XmlNodeTree::stripWhitespace(token);
  return !bare.empty() && bare != "/";
}

XmlAttribute attributeFrom(std::string_view token, size_t equals) {
  XmlAttribute a;
  a.name.assign(token.substr(0, equals));
  for (char c : token.substr(equals + 1))
    if (c != '"') a.value += c;
  return a;
}

// The declared encoding decides; "gb2312" is never converted, not even forced.
bool wantsConversion(std::string_view t, bool force) {
  std::string declared;
  int at = text::findNoCase(t, "encoding");
  if (at > 0) {
    size_t from = size_t(at - 1) + 8;
    size_t end = t.find("?>", from);
    if (end != std::string_view::npos) {
      std::string value;
      for (char c : t.substr(from, end - from))
        if (c != '=' && c != '"') value += c;
      declared = text::toLowerAscii(text::trim(value));
    }
  }
  if (declared == "gb2312") return false;
  return declared == "utf-8" || force;
}

// Where the piece that starts at `from` ends (the next "<" that cuts, npos when
// none) and the last ">" inside it (npos when none). One forward pass; eight
// bytes at a time through long texts, which hold neither byte.
struct PieceBounds {
  size_t cut = std::string_view::npos;
  size_t lastClose = std::string_view::npos;
};

inline uint64_t bytesEqual(uint64_t word, unsigned char c) {
  uint64_t x = word ^ (0x0101010101010101ull * c);
  return (x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull;
}

template <bool QuoteAware>
PieceBounds scanPiece(std::string_view data, size_t from, bool& quoted) {
  PieceBounds b;
  const char* p = data.data();
  size_t n = data.size(), i = from;
  while (true) {
    if (i + 8 <= n) {
      uint64_t word;
      std::memcpy(&word, p + i, 8);
      uint64_t hits = bytesEqual(word, '<') | bytesEqual(word, '>');
      if constexpr (QuoteAware) hits |= bytesEqual(word, '"');
      if (!hits) {
        i += 8;
        continue;
      }
    }
    size_t end = std::min(n, i + 8);
    for (; i < end; ++i) {
      char c = p[i];
      if (c == '<') {
        if (!QuoteAware || !quoted) {
          b.cut = i;
          return b;
        }
      } else if (c == '>') {
        b.lastClose = i;
      } else if (QuoteAware && c == '"') {
        quoted = !quoted;
      }
    }
    if (i >= n) return b;
  }
}

std::string_view upToNul(std::string_view data) { return data.substr(0, data.find('\0')); }

std::mt19937& markerGenerator() {
  // One generator per thread: workers load their documents at the same time, and
  // a shared generator would be a data race.
  thread_local std::mt19937 generator([] {
    std::seed_seq::result_type entropy = 0;
    try {
      entropy = std::random_device{}();
    } catch (...) {
    }
    int local = 0;
    std::seed_seq seq{entropy, (unsigned)std::time(nullptr),
                      (unsigned)std::hash<std::thread::id>{}(std::this_thread::get_id()),
                      (unsigned)(reinterpret_cast<uintptr_t>(&local) >> 4)};
    return std::mt19937(seq);
  }());
  return generator;
}

}  // namespace

// ---- writer ----

std::string XmlNodeTree::toText() const {
  std::string text;
  writeNode(0, text);
  return text;
}

void XmlNodeTree::writeNode(int32_t number, std::string& text) const {
  if (number == 0) {
    const XmlNode* r = nodeAt(0);
    if (!r || r->name.empty()) return;
    text.assign(kDeclaration);
  }
  const XmlNode* first = nodeAt(number);
  if (!first) return;

  auto open = [&text](const XmlNode& n) {
    text += '<';
    text += n.name;
    for (const XmlAttribute& a : n.attributes) {
      text += ' ';
      text += a.name;
      text += "=\"";
      text += a.value;
      text += '"';
    }
    text += '>';
    if (n.text.find('<') != std::string::npos) {
      text += kCdataOpen;
      text += n.text;
      text += kCdataClose;
    } else {
      text += n.text;
    }
  };

  // Depth-first without recursion: answers may nest deeply. A node already on the
  // current branch is skipped, so an imported tree with a cycle cannot loop.
  std::vector<char> onBranch(nodes_.size(), 0);
  std::vector<std::pair<int32_t, size_t>> branch;  // node number, next child
  int32_t firstNumber = resolveRoot(number);
  open(*first);
  onBranch[size_t(firstNumber) - 1] = 1;
  branch.push_back({firstNumber, 0});
  while (!branch.empty()) {
    auto& [self, next] = branch.back();
    const XmlNode& node = nodes_[size_t(self) - 1];
    if (next < node.children.size()) {
      int32_t c = node.children[next++];
      const XmlNode* child = c == 0 ? nullptr : nodeAt(c);
      if (!child || onBranch[size_t(c) - 1]) continue;
      open(*child);
      onBranch[size_t(c) - 1] = 1;
      branch.push_back({c, 0});
    } else {
      text += "</";
      text += node.name;
      text += '>';
      onBranch[size_t(self) - 1] = 0;
      branch.pop_back();
    }
  }
}

// ---- store ----

bool XmlNodeTree::load(std::string_view data, bool forceUtf8, bool quoteAware) {
  clear();
  std::string& work = buffers_.data;
  std::string_view t = upToNul(data);
  if (wantsConversion(t, forceUtf8))
    text::utf8ToGbk(t, work, buffers_.wide);
  else
    work.assign(data);
  extractCdata(work);
  return parse(work, quoteAware);
}

void XmlNodeTree::dropNodes() {
  for (XmlNode& n : nodes_) keepBuffer(std::move(n.text));
  nodes_.clear();
  root_ = 0;
  freeList_.clear();
  released_.clear();
}

void XmlNodeTree::clear() {
  dropNodes();
  for (std::string& s : cdataStore_) keepBuffer(std::move(s));
  cdataStore_.clear();
  cdataMarker_.clear();
}

std::string XmlNodeTree::takeBuffer(size_t size) const {
  auto& pool = buffers_.texts;
  auto best = pool.end();
  for (auto it = pool.begin(); it != pool.end(); ++it)
    if (it->capacity() >= size && (best == pool.end() || it->capacity() < best->capacity())) best = it;
  if (best == pool.end()) return {};
  std::string buffer = std::move(*best);
  pool.erase(best);
  buffer.clear();
  return buffer;
}

void XmlNodeTree::keepBuffer(std::string&& buffer) const {
  if (buffer.capacity() < kLargeText) return;
  auto& pool = buffers_.texts;
  constexpr size_t kPoolSize = 8;
  if (pool.size() < kPoolSize) {
    pool.push_back(std::move(buffer));
    return;
  }
  auto smallest = std::min_element(pool.begin(), pool.end(),
                                   [](const std::string& a, const std::string& b) { return a.capacity() < b.capacity(); });
  if (smallest->capacity() < buffer.capacity()) *smallest = std::move(buffer);
}

int32_t XmlNodeTree::nodeState(int32_t number) const {
  if (number < 1 || size_t(number) > nodes_.size() || released_[size_t(number) - 1]) return -1;
  return number == root_ ? 0 : 1;
}

const XmlNode* XmlNodeTree::nodeAt(int32_t number) const {
  int32_t n = resolveRoot(number);
  return nodeState(n) == -1 ? nullptr : &nodes_[size_t(n) - 1];
}

XmlNode* XmlNodeTree::mutableNodeAt(int32_t number) {
  int32_t n = resolveRoot(number);
  return nodeState(n) == -1 ? nullptr : &nodes_[size_t(n) - 1];
}

bool XmlNodeTree::getNode(int32_t number, XmlNode& node) const {
  const XmlNode* n = nodeAt(number);
  if (!n) {
    node = XmlNode{};
    return false;
  }
  node = *n;
  return true;
}

int32_t XmlNodeTree::deleteNode(int32_t number) {
  int32_t state = nodeState(number);
  if (state < 1) return state;
  int32_t parent = nodes_[size_t(number) - 1].parent;
  if (nodeState(parent) != -1) {
    auto& siblings = nodes_[size_t(parent) - 1].children;
    auto at = std::find(siblings.begin(), siblings.end(), number);
    if (at != siblings.end()) siblings.erase(at);
  }
  releaseNode(number);
  return 1;
}

void XmlNodeTree::releaseNode(int32_t number) {
  if (number < 1 || size_t(number) > nodes_.size()) return;
  // Pre-order, children in order, as a recursive walk would release them.
  std::vector<int32_t> pending{number};
  while (!pending.empty()) {
    int32_t n = pending.back();
    pending.pop_back();
    if (n < 1 || size_t(n) > nodes_.size() || released_[size_t(n) - 1]) continue;
    released_[size_t(n) - 1] = 1;
    freeList_.push_back(n);
    const auto& kids = nodes_[size_t(n) - 1].children;
    pending.insert(pending.end(), kids.rbegin(), kids.rend());
  }
}

bool XmlNodeTree::setNode(int32_t number, const std::optional<std::string>& name, const std::optional<std::string>& text,
                          const std::optional<std::vector<XmlAttribute>>& attributes, std::optional<int32_t> offset) {
  XmlNode* node = mutableNodeAt(number);
  if (!node) return false;
  if (name) node->name = *name;
  if (text) node->text = *text;
  if (attributes) node->attributes = *attributes;
  int32_t self = resolveRoot(number);
  if (offset && self != root_ && nodeState(node->parent) != -1) {
    auto& siblings = nodes_[size_t(node->parent) - 1].children;
    auto at = std::find(siblings.begin(), siblings.end(), self);
    if (at != siblings.end()) {
      long long target = (long long)(at - siblings.begin()) + *offset;
      if (target >= 0 && target < (long long)siblings.size()) std::swap(*at, siblings[size_t(target)]);
    }
  }
  return true;
}

int32_t XmlNodeTree::addNode(std::optional<int32_t> parent) {
  if (!parent) {
    clear();
    nodes_.emplace_back();
    nodes_[0].index = 1;
    released_.push_back(0);
    root_ = 1;
    return 1;
  }
  int32_t p = resolveRoot(*parent);
  if (nodeState(p) == -1) return -1;
  int32_t number;
  if (!freeList_.empty()) {
    number = freeList_.front();
    freeList_.erase(freeList_.begin());
    released_[size_t(number) - 1] = 0;
    nodes_[size_t(number) - 1] = XmlNode{};
  } else {
    nodes_.emplace_back();
    released_.push_back(0);
    number = int32_t(nodes_.size());
  }
  XmlNode& n = nodes_[size_t(number) - 1];
  n.index = number;
  n.parent = p;
  nodes_[size_t(p) - 1].children.push_back(number);
  return number;
}

// ---- paths ----

int32_t XmlNodeTree::indexOfPath(std::string_view path) const {
  int32_t current = -1;
  for (std::string_view component : pathComponents(path)) {
    int32_t r = resolveStep(current, component);
    if (r == -1) return -1;
    current = r == 0 ? root_ : r;
  }
  if (current < 1 || nodeState(current) == -1) return -1;
  return current;
}

std::string XmlNodeTree::pathOfIndex(int32_t number) const {
  if (!nodeAt(0)) return {};
  int32_t n = resolveRoot(number);
  if (nodeState(n) == -1) return {};
  std::vector<size_t> steps;
  // A well-formed tree reaches the root in fewer steps than it has slots.
  for (size_t guard = 0; n != root_; ++guard) {
    if (guard > nodes_.size()) return {};
    const XmlNode* parent = nodeAt(nodes_[size_t(n) - 1].parent);
    if (!parent || nodes_[size_t(n) - 1].parent == 0) return {};
    auto at = std::find(parent->children.begin(), parent->children.end(), n);
    if (at == parent->children.end()) return {};
    steps.push_back(size_t(at - parent->children.begin()) + 1);
    n = nodes_[size_t(n) - 1].parent;
  }
  std::string path = "@1";
  for (auto k = steps.rbegin(); k != steps.rend(); ++k) path += "/@" + std::to_string(*k);
  return path;
}

bool XmlNodeTree::getNodeByPath(std::string_view path, XmlNode& node) const {
  int32_t n = indexOfPath(path);
  if (n < 0) {
    node = XmlNode{};
    return false;
  }
  return getNode(n, node);
}

int32_t XmlNodeTree::resolveStep(int32_t current, std::string_view component) const {
  const std::vector<int32_t>* children = nullptr;
  if (current >= 0) {
    const XmlNode* n = nodeAt(current);
    if (!n) return -1;
    children = &n->children;
  }
  if (component.size() >= 2 && component[0] == '@' && component[1] == '#') {
    if (component == "@#0") return 0;
    int32_t n = leadingInteger(component.substr(2));
    if (n == 0 || nodeState(n) == -1) return -1;
    return n;
  }
  if (!component.empty() && component[0] == '@') {
    if (component.size() == 1) return -1;
    int32_t n = leadingInteger(component.substr(1));
    if (!children) return n == 1 ? 0 : -1;
    if (n < 1 || size_t(n) > children->size()) return -1;
    return (*children)[size_t(n) - 1];
  }
  if (!children) {
    const XmlNode* r = nodeAt(0);
    return (r && r->name == component) ? 0 : -1;
  }
  for (int32_t c : *children) {
    const XmlNode* child = nodeAt(c);
    if (c != 0 && child && child->name == component) return c;
  }
  return -1;
}

std::string XmlNodeTree::nameOf(int32_t number) const {
  const XmlNode* n = nodeAt(number);
  return n ? n->name : std::string();
}

void XmlNodeTree::editAttributes(std::vector<XmlAttribute>& attributes, std::string_view operation,
                                 std::string& attributeText) {
  std::vector<XmlAttribute> parsed;
  std::string head = collapseEquals(attributeText);
  for (std::string_view token : headTokens(head, false)) {
    if (!isAttributeToken(token)) continue;
    size_t equals = token.find('=');
    if (equals == std::string_view::npos) continue;
    parsed.push_back(attributeFrom(token, equals));
  }
  attributeText.clear();
  auto named = [&parsed](const std::string& name) {
    return std::any_of(parsed.begin(), parsed.end(), [&](const XmlAttribute& p) { return p.name == name; });
  };
  if (operation == "+") {
    attributes.insert(attributes.end(), parsed.begin(), parsed.end());
  } else if (operation == "-") {
    std::erase_if(attributes, [&](const XmlAttribute& a) { return named(a.name); });
  } else if (operation == "%") {
    for (const XmlAttribute& p : parsed)
      for (XmlAttribute& a : attributes)
        if (a.name == p.name) a.value = p.value;
  } else if (operation == "<") {
    attributes = std::move(parsed);
  } else if (operation == ">") {
    for (const XmlAttribute& a : attributes) attributeText += " " + a.name + "=\"" + a.value + "\"";
  }
}

// ---- reader ----

bool XmlNodeTree::convertEncoding(std::string& data, bool force) {
  std::string_view t = upToNul(data);
  if (!wantsConversion(t, force)) return false;
  data = text::utf8ToGbk(t);
  return true;
}

std::string XmlNodeTree::makeMarker(std::string_view data, int length) {
  std::mt19937& generator = markerGenerator();
  std::uniform_int_distribution<int> letter(0, 25);
  std::string marker;
  for (int attempt = 0; attempt < 100; ++attempt) {
    marker.assign(1, '@');
    for (int i = 0; i < length; ++i) marker += char('A' + letter(generator));
    if (data.find(marker) == std::string_view::npos) return marker;
  }
  return {};
}

int32_t XmlNodeTree::extractCdata(std::string& data) {
  for (std::string& s : cdataStore_) keepBuffer(std::move(s));
  cdataStore_.clear();
  cdataMarker_.clear();
  // Without a section there is no placeholder, and the marker stays empty.
  size_t a = data.find(kCdataOpen);
  if (a == std::string::npos) return 0;
  std::string marker = makeMarker(data);
  // Data crafted to hold every short marker would leave the marker empty, and an
  // empty marker matches every text; longer markers cannot all be present.
  for (int length = 6; marker.empty() && length <= 16; ++length) marker = makeMarker(data, length);
  if (marker.empty()) return 0;
  cdataMarker_ = marker;
  // Built in one pass: replacing in place would move the tail once per section.
  std::string& out = buffers_.spare;
  out.clear();
  out.reserve(data.size());
  size_t copied = 0;
  int32_t k = 0;
  while (a != std::string::npos) {
    size_t e = data.find(kCdataClose, a + kCdataOpen.size());
    // An unterminated section stays in the data as it is; no later section can
    // be terminated either, so lifting ends here.
    if (e == std::string::npos) break;
    ++k;
    size_t length = e - a - kCdataOpen.size();
    std::string content = length >= kLargeText ? takeBuffer(length) : std::string();
    content.assign(data, a + kCdataOpen.size(), length);
    cdataStore_.push_back(std::move(content));
    out.append(data, copied, a - copied);
    out += marker;
    out += ',';
    out += std::to_string(k);
    out += '.';
    copied = e + kCdataClose.size();
    a = data.find(kCdataOpen, copied);
  }
  out.append(data, copied, std::string::npos);
  data.swap(out);
  return k;
}

std::string XmlNodeTree::restoreText(std::string_view bytes) const {
  std::string text;
  restoreInto(bytes, text);
  return text;
}

void XmlNodeTree::restoreInto(std::string_view bytes, std::string& text) const {
  std::string_view result = bytes;
  // An empty marker would match every text; then nothing is a placeholder.
  size_t at = cdataMarker_.empty() ? std::string_view::npos : bytes.find(cdataMarker_);
  if (at != std::string_view::npos) {
    size_t comma = at + cdataMarker_.size();
    size_t dot = comma < bytes.size() && bytes[comma] == ',' ? bytes.find('.', comma + 1) : std::string_view::npos;
    size_t n = 0;
    bool digits = dot != std::string_view::npos && dot > comma + 1;
    for (size_t i = comma + 1; digits && i < dot; ++i) {
      digits = bytes[i] >= '0' && bytes[i] <= '9';
      n = n * 10 + size_t(bytes[i] - '0');
      if (n > cdataStore_.size()) digits = false;
    }
    if (digits && n >= 1) result = cdataStore_[n - 1];
  }
  if (result.size() >= kLargeText && text.capacity() < result.size()) text = takeBuffer(result.size());
  text.assign(result);
}

void XmlNodeTree::splitOutsideQuotes(std::string_view data, std::string_view separator,
                                     std::vector<std::string>& pieces) {
  pieces.clear();
  if (separator.size() != 1) {
    pieces.emplace_back(data);
    return;
  }
  char sep = separator[0];
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] == sep && !quoted) {
      pieces.emplace_back(data.substr(start, i - start));
      start = i + 1;
    }
    if (data[i] == '"') quoted = !quoted;
  }
  pieces.emplace_back(data.substr(start));
}

bool XmlNodeTree::closingTagName(std::string_view piece, std::string& name) {
  name.clear();
  for (char c : piece)
    if (!isBlank(c) && c != '/' && c != '>') name += c;
  return true;
}

std::string XmlNodeTree::collapseEquals(std::string_view bytes) {
  std::string s(bytes);
  for (char c : {' ', '\t', '\r', '\n'}) s = dropRunsBesideEquals(s, c, true);
  for (char c : {' ', '\t', '\r', '\n'}) s = dropRunsBesideEquals(s, c, false);
  return s;
}

std::string XmlNodeTree::stripWhitespace(std::string_view bytes) {
  std::string s;
  s.reserve(bytes.size());
  for (char c : bytes)
    if (!isBlank(c)) s += c;
  return s;
}

bool XmlNodeTree::parseStartTag(std::string_view piece, size_t length, size_t g, XmlNode& node, bool withText) const {
  node.name.clear();
  node.text.clear();
  node.attributes.clear();
  node.children.clear();
  piece = piece.substr(0, std::min(length, piece.size()));
  if (g < 1 || g > piece.size()) return false;

  std::string head = collapseEquals(piece.substr(0, g - 1));
  std::vector<std::string_view> tokens = headTokens(head, true);
  node.name.assign(tokens.front());
  bool nameSkipped = false;
  for (std::string_view token : tokens) {
    if (!isAttributeToken(token)) continue;
    if (!nameSkipped) {
      nameSkipped = true;
      continue;
    }
    size_t equals = token.find('=');
    if (equals == std::string_view::npos) return false;
    node.attributes.push_back(attributeFrom(token, equals));
  }
  if (withText) restoreInto(piece.substr(g), node.text);
  return true;
}

bool XmlNodeTree::parse(std::string_view data, bool quoteAware) {
  dropNodes();

  // The bottom entry stands for the document and collects the top-level elements.
  std::vector<XmlNode> open(1);
  int32_t count = 0;
  auto fail = [this] {
    clear();
    return false;
  };

  bool quoted = false;
  size_t start = 0;
  while (true) {
    PieceBounds bounds = quoteAware ? scanPiece<true>(data, start, quoted) : scanPiece<false>(data, start, quoted);
    size_t cut = bounds.cut;
    std::string_view piece = data.substr(start, cut == std::string_view::npos ? std::string_view::npos : cut - start);

    if (!onlyBlanks(piece) && piece[0] != '?' && piece[0] != '!') {
      if (bounds.lastClose == std::string_view::npos) return fail();
      size_t g = bounds.lastClose - start + 1;
      bool closing = piece[0] == '/';
      bool selfClosing = g >= 2 && piece[g - 2] == '/';
      if (closing && selfClosing) return fail();
      if (closing) {
        std::string name;
        closingTagName(piece, name);
        if (open.size() == 1 || name != open.back().name) return fail();
        ++count;
        XmlNode& element = open.back();
        element.index = count;
        open[open.size() - 2].children.push_back(count);
        for (int32_t c : element.children) nodes_[size_t(c) - 1].parent = count;
        if (onlyBlanks(element.text)) element.text.clear();
        nodes_.push_back(std::move(element));
        open.pop_back();
      } else if (selfClosing) {
        XmlNode node;
        if (!parseStartTag(piece, piece.size(), g, node, false)) return fail();
        ++count;
        node.index = count;
        node.parent = 0;
        open.back().children.push_back(count);
        nodes_.push_back(std::move(node));
      } else {
        XmlNode node;
        if (!parseStartTag(piece, piece.size(), g, node, true)) return fail();
        open.push_back(std::move(node));
      }
    }

    if (cut == std::string_view::npos) break;
    start = cut + 1;
  }
  // Elements still open are dropped; the last element closed is the root.
  root_ = count;
  released_.assign(nodes_.size(), 0);
  return true;
}
