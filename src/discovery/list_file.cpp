#include "discovery/list_file.h"

#include "util/text.h"

namespace listfile {

namespace {

bool isLineEnd(char c) { return c == '\n' || c == '\0' || c == '\x1A'; }

void takeLine(std::string_view line, std::vector<ItemRow>& rows) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return;
  std::vector<std::string> f = text::split(line, "||");
  if (f.size() != 4) return;
  rows.push_back({std::move(f[0]), std::move(f[2]), std::move(f[3]), std::move(f[1])});
}

}  // namespace

std::vector<ItemRow> parse(std::string_view bytes) {
  std::vector<ItemRow> rows;
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
