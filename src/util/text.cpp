#include "util/text.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace text {
namespace {

inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

template <bool NoCase>
bool matchAt(std::string_view hay, size_t at, std::string_view needle) {
  if (at + needle.size() > hay.size()) return false;
  for (size_t k = 0; k < needle.size(); ++k) {
    char a = hay[at + k], b = needle[k];
    if constexpr (NoCase) {
      a = lowerAscii(a);
      b = lowerAscii(b);
    }
    if (a != b) return false;
  }
  return true;
}

// Walks character starts from index `from` (0-based). Character boundaries are
// found from the start of the text, so `from` is rounded up to one.
template <bool NoCase>
int findImpl(std::string_view hay, std::string_view needle, int start) {
  if (start < 1) start = 1;
  size_t from = size_t(start - 1);
  if (needle.empty()) return from <= hay.size() ? int(from + 1) : -1;
  size_t i = 0;
  while (i < hay.size()) {
    if (i >= from && matchAt<NoCase>(hay, i, needle)) return int(i + 1);
    i += (isLeadByte((unsigned char)hay[i]) && i + 1 < hay.size()) ? 2 : 1;
  }
  return -1;
}

}  // namespace

int find(std::string_view hay, std::string_view needle, int start) { return findImpl<false>(hay, needle, start); }
int findNoCase(std::string_view hay, std::string_view needle, int start) { return findImpl<true>(hay, needle, start); }

int findLast(std::string_view hay, std::string_view needle) {
  int last = -1;
  if (needle.empty()) return -1;
  size_t i = 0;
  while (i < hay.size()) {
    if (matchAt<false>(hay, i, needle)) last = int(i + 1);
    i += (isLeadByte((unsigned char)hay[i]) && i + 1 < hay.size()) ? 2 : 1;
  }
  return last;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && matchAt<true>(a, 0, b);
}

bool containsNoCase(std::string_view hay, std::string_view needle) { return findNoCase(hay, needle) > 0; }

std::string toLowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = lowerAscii(c);
  return r;
}

namespace {
// Length of the blank (space or A1 A1) at the front of s.
size_t blankAt(std::string_view s, size_t i) {
  if (i < s.size() && s[i] == ' ') return 1;
  if (i + 1 < s.size() && (unsigned char)s[i] == 0xA1 && (unsigned char)s[i + 1] == 0xA1) return 2;
  return 0;
}
}  // namespace

std::string trimLeft(std::string_view s) {
  size_t i = 0;
  while (size_t n = blankAt(s, i)) i += n;
  return std::string(s.substr(i));
}

std::string trimRight(std::string_view s) {
  // Walk characters from the front so that an A1 A1 pair is only taken where it
  // really is one character (and not the tail of another double-byte character).
  size_t i = 0, keep = 0;
  while (i < s.size()) {
    size_t n = blankAt(s, i);
    if (n) {
      i += n;
      continue;
    }
    i += (isLeadByte((unsigned char)s[i]) && i + 1 < s.size()) ? 2 : 1;
    keep = i;
  }
  return std::string(s.substr(0, keep));
}

std::string trim(std::string_view s) { return trimRight(trimLeft(s)); }

std::string trimSpaces(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::vector<std::string> split(std::string_view s, std::string_view sep) {
  std::vector<std::string> out;
  if (sep.empty()) {
    if (!s.empty()) out.emplace_back(s);
    return out;
  }
  int pos = 1;
  while (true) {
    int at = find(s, sep, pos);
    if (at < 0) {
      std::string_view last = s.substr(size_t(pos - 1));
      if (!last.empty()) out.emplace_back(last);
      break;
    }
    out.emplace_back(s.substr(size_t(pos - 1), size_t(at - pos)));
    pos = at + int(sep.size());
  }
  return out;
}

namespace {
template <bool NoCase>
std::string replaceImpl(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  // One walk over the character starts, so long texts with many matches stay
  // linear; a match is looked for only from the end of the previous one on.
  size_t copied = 0;
  size_t i = 0;
  while (i < s.size()) {
    if (i >= copied && matchAt<NoCase>(s, i, from)) {
      out.append(s.substr(copied, i - copied));
      out.append(to);
      copied = i + from.size();
    }
    i += (isLeadByte((unsigned char)s[i]) && i + 1 < s.size()) ? 2 : 1;
  }
  if (copied < s.size()) out.append(s.substr(copied));
  return out;
}
}  // namespace

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
  return replaceImpl<false>(s, from, to);
}
std::string replaceAllNoCase(std::string_view s, std::string_view from, std::string_view to) {
  return replaceImpl<true>(s, from, to);
}

double leadingNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  size_t b = i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (!digits) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    size_t ed = 0;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j, ++ed;
    if (ed) i = j;
  }
  std::string num(s.substr(b, i - b));
  double v = std::strtod(num.c_str(), nullptr);
  return std::isfinite(v) ? v : 0;
}

int32_t leadingInt(std::string_view s) {
  double v = leadingNumber(s);
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return int32_t(-2147483647 - 1);
  return int32_t(v);
}

std::string formatG13(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.13g", v);
  return buf;
}

std::string decimal(long long v) { return std::to_string(v); }

#ifdef _WIN32
namespace {
std::wstring mbToWide(UINT cp, std::string_view s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, s.data(), int(s.size()), nullptr, 0);
  std::wstring w(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(cp, 0, s.data(), int(s.size()), w.data(), n);
  return w;
}
std::string wideToMb(UINT cp, std::wstring_view w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(cp, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(cp, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}
}  // namespace

std::wstring toWide(std::string_view gbk) { return mbToWide(936, gbk); }
std::string fromWide(std::wstring_view wide) { return wideToMb(936, wide); }
std::wstring utf8ToWide(std::string_view utf8) { return mbToWide(CP_UTF8, utf8); }
std::string wideToUtf8(std::wstring_view wide) { return wideToMb(CP_UTF8, wide); }
std::string utf8ToGbk(std::string_view utf8) { return fromWide(utf8ToWide(utf8)); }
std::string gbkToUtf8(std::string_view gbk) { return wideToUtf8(toWide(gbk)); }

void utf8ToGbk(std::string_view utf8, std::string& gbk, std::wstring& wideScratch) {
  gbk.clear();
  if (utf8.empty()) return;
  if (utf8.size() > size_t(INT_MAX / 2)) {
    gbk = utf8ToGbk(utf8);
    return;
  }
  // A UTF-8 byte yields at most one UTF-16 unit, and a unit at most two GBK bytes.
  wideScratch.resize(utf8.size());
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wideScratch.data(), int(wideScratch.size()));
  if (units <= 0) return;
  gbk.resize(size_t(units) * 2);
  int bytes = WideCharToMultiByte(936, 0, wideScratch.data(), units, gbk.data(), int(gbk.size()), nullptr, nullptr);
  gbk.resize(size_t(bytes > 0 ? bytes : 0));
}
#endif

}  // namespace text
