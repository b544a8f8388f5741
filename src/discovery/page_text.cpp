#include "discovery/page_text.h"

#include <algorithm>

#include "util/text.h"

std::string pageText(std::string bytes) {
  std::replace(bytes.begin(), bytes.end(), '\0', ' ');
  return bytes;
}

std::string extractBetween(std::string_view text, std::string left, std::string right, int start,
                           bool caseSensitive) {
  left = text::replaceAll(left, "#引号", "\"");
  right = text::replaceAll(right, "#引号", "\"");
  auto search = [caseSensitive](std::string_view hay, std::string_view needle, int from) {
    return caseSensitive ? text::find(hay, needle, from) : text::findNoCase(hay, needle, from);
  };
  int at = search(text, left, start);
  if (at < 0) return {};
  std::string_view rest = text.substr(size_t(at - 1) + left.size());
  // The right marker is looked for from the start of what follows the left one:
  // the start position counts in the whole text, not in the rest.
  int end = search(rest, right, 1);
  if (end < 0) return {};
  return std::string(rest.substr(0, size_t(end - 1)));
}

std::string textAfterLast(std::string_view text, std::string_view marker) {
  int at = text::findLast(text, marker);
  if (at < 0) return {};
  return std::string(text.substr(size_t(at - 1) + marker.size()));
}
