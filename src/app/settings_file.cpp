#include "app/settings_file.h"

#include <vector>

#include "app/app_state.h"
#include "util/file_io.h"
#include "util/text.h"

namespace profile {
namespace {

struct Line {
  size_t begin = 0;    // first byte of the line
  size_t end = 0;      // end of its text, before "\r\n" / "\n"
  size_t next = 0;     // first byte of the following line
  bool section = false;
  std::string name;    // section name, or key name for a key line
  std::string value;   // a key line's value as written (trimmed)
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<Line> parse(std::string_view content) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < content.size()) {
    Line line;
    line.begin = pos;
    size_t nl = content.find('\n', pos);
    line.next = nl == std::string_view::npos ? content.size() : nl + 1;
    line.end = nl == std::string_view::npos ? content.size() : nl;
    if (line.end > line.begin && content[line.end - 1] == '\r') --line.end;
    pos = line.next;

    std::string_view body = trimBlanks(content.substr(line.begin, line.end - line.begin));
    if (body.empty()) {
      lines.push_back(line);
      continue;
    }
    if (body.front() == '[') {
      int close = text::findLast(body, "]");
      if (close > 1) {
        line.section = true;
        line.name = std::string(trimBlanks(body.substr(1, size_t(close) - 2)));
      }
      lines.push_back(line);
      continue;
    }
    int eq = text::find(body, "=");
    if (eq > 0) {
      line.name = std::string(trimBlanks(body.substr(0, size_t(eq) - 1)));
      line.value = std::string(trimBlanks(body.substr(size_t(eq))));
    } else {
      line.name = std::string(body);
    }
    lines.push_back(line);
  }
  return lines;
}

// Index range [first, last) of the lines after the header of `section`; first
// is the header's index + 1. -1 when the section is missing.
struct SectionRange {
  int header = -1;
  int last = -1;
};

SectionRange findSection(const std::vector<Line>& lines, std::string_view section) {
  SectionRange r;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].section) continue;
    if (r.header >= 0) {
      r.last = int(i);
      return r;
    }
    if (text::equalsNoCase(lines[i].name, section)) r.header = int(i);
  }
  if (r.header >= 0) r.last = int(lines.size());
  return r;
}

std::string unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::string readValue(std::string_view content, std::string_view section, std::string_view key) {
  std::vector<Line> lines = parse(content);
  SectionRange r = findSection(lines, section);
  if (r.header < 0) return {};
  for (int i = r.header + 1; i < r.last; ++i) {
    const Line& line = lines[size_t(i)];
    if (!line.name.empty() && text::equalsNoCase(line.name, key)) return unquote(line.value);
  }
  return {};
}

std::string writeValue(std::string_view content, std::string_view section, std::string_view key,
                       std::string_view value) {
  std::vector<Line> lines = parse(content);
  SectionRange r = findSection(lines, section);
  std::string out(content);

  if (r.header >= 0) {
    int lastFilled = r.header;
    for (int i = r.header + 1; i < r.last; ++i) {
      const Line& line = lines[size_t(i)];
      if (line.name.empty()) continue;
      lastFilled = i;
      if (!text::equalsNoCase(line.name, key)) continue;
      // Keep the key as the file spells it; the line's ending stays as well.
      std::string replaced = line.name + "=" + std::string(value);
      out.replace(line.begin, line.end - line.begin, replaced);
      return out;
    }
    // A new key goes after the section's last entry, before blank lines.
    const Line& after = lines[size_t(lastFilled)];
    std::string entry = std::string(key) + "=" + std::string(value);
    if (after.next == after.end) {  // the content's last line, without a line end
      out.insert(after.end, entry);
      out.insert(after.end, "\r\n");
    } else {
      out.insert(after.next, entry + "\r\n");
    }
    return out;
  }

  if (!out.empty() && out.back() != '\n') out += "\r\n";
  out.append("[").append(section).append("]\r\n").append(key).append("=").append(value).append("\r\n");
  return out;
}

std::string readFile(const std::string& path, std::string_view section, std::string_view key) {
  std::optional<std::string> content = fileio::readWholeFile(path);
  if (!content) return {};
  return readValue(*content, section, key);
}

bool writeFile(const std::string& path, std::string_view section, std::string_view key, std::string_view value) {
  std::string content = fileio::readWholeFile(path).value_or(std::string());
  return fileio::writeWholeFile(path, writeValue(content, section, key, value));
}

}  // namespace profile

std::string settingsFolderPath(const AppState& state) { return state.runDirectory() + "\\options"; }

std::string settingsFilePath(const AppState& state) { return settingsFolderPath(state) + "\\options.ini"; }
