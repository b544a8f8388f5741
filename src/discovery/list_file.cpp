#include "discovery/list_file.h"

#include "util/text.h"

namespace listfile {

namespace {

bool isLineEnd(char c) { return c == '\n' || c == '\0' || c == '\x1A'; }

// Splits at "||" as text::split does (found character by character, an empty
// last field dropped) without building the fields of lines that do not count:
// a long import spends its time here.
void takeLine(std::string_view line, std::vector<ItemRow>& rows) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::string_view f[4];
  int k = 0;
  size_t start = 0, i = 0;
  while (i < line.size()) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    if (c == '|' && i + 1 < line.size() && line[i + 1] == '|') {
      if (k == 4) return;  // a fifth separator: more than four fields
      f[k++] = line.substr(start, i - start);
      i += 2;
      start = i;
      continue;
    }
    i += (text::isLeadByte(c) && i + 1 < line.size()) ? 2 : 1;
  }
  std::string_view last = line.substr(start);
  if (!last.empty()) {
    if (k == 4) return;
    f[k++] = last;
  }
  if (k != 4) return;
  rows.push_back({std::string(f[0]), std::string(f[2]), std::string(f[3]), std::string(f[1])});
}

}  // namespace

std::vector<ItemRow> parse(std::string_view bytes) {
  std::vector<ItemRow> rows;
  size_t lines = 1;
  for (char c : bytes) lines += c == '\n';
  rows.reserve(lines);
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (!isLineEnd(bytes[i])) continue;
    takeLine(bytes.substr(start, i - start), rows);
    start = i + 1;
  }
  if (start < bytes.size()) takeLine(bytes.substr(start), rows);
  return rows;
}

std::string format(const std::vector<ItemRow>& rows) {
  size_t size = 0;
  for (const auto& r : rows) size += r.name.size() + r.id.size() + r.price.size() + r.address.size() + 8;
  std::string out;
  out.reserve(size);
  for (const auto& r : rows) {
    out += r.name;
    out += "||";
    out += r.id;
    out += "||";
    out += r.price;
    out += "||";
    out += r.address;
    out += "\r\n";
  }
  return out;
}

}  // namespace listfile
