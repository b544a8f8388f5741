#include "site_rules.h"

namespace demo {
namespace {

bool endsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

// Characters a Windows file name cannot hold become "_".
std::string fileSafe(std::string_view query) {
  std::string out(query);
  for (char& c : out)
    if (c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
      c = '_';
  return out;
}

std::string numIid(std::string_view query) {
  while (!query.empty()) {
    size_t amp = query.find('&');
    std::string_view pair = query.substr(0, amp);
    if (pair.substr(0, 8) == "num_iid=") {
      std::string_view value = pair.substr(8);
      if (value.empty()) return {};
      for (char c : value)
        if (c < '0' || c > '9') return {};
      return std::string(value);
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return {};
}

}  // namespace

std::vector<std::string> candidateFiles(std::string_view target) {
  size_t q = target.find('?');
  std::string_view path = target.substr(0, q);
  std::string_view query = q == std::string_view::npos ? std::string_view() : target.substr(q + 1);
  // The program asks for its credential list at "//app3.xml": any number of
  // leading slashes name the folder itself.
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  std::string file(path);
  if (file.empty() || file.back() == '/') file += "index.htm";

  // Nothing outside the folder: no climbing, no drive or stream names.
  if (file.find('\\') != std::string::npos || file.find(':') != std::string::npos) return {};
  size_t start = 0;
  while (start <= file.size()) {
    size_t slash = file.find('/', start);
    std::string_view segment = std::string_view(file).substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (segment == ".." || segment == ".") return {};
    if (slash == std::string::npos) break;
    start = slash + 1;
  }

  std::vector<std::string> files;
  std::string id = numIid(query);
  if (!id.empty()) files.push_back("items/" + id + ".xml");
  if (!query.empty()) files.push_back(file + "@" + fileSafe(query));
  files.push_back(file);
  return files;
}

std::string contentTypeFor(std::string_view file) {
  std::string name = lower(file);
  if (endsWith(name, ".htm") || endsWith(name, ".html")) return "text/html";
  if (endsWith(name, ".xml")) return "text/xml";
  if (endsWith(name, ".txt")) return "text/plain";
  if (endsWith(name, ".css")) return "text/css";
  if (endsWith(name, ".js")) return "application/x-javascript";
  if (endsWith(name, ".jpg") || endsWith(name, ".jpeg")) return "image/jpeg";
  if (endsWith(name, ".png")) return "image/png";
  if (endsWith(name, ".gif")) return "image/gif";
  if (endsWith(name, ".bmp")) return "image/bmp";
  return "application/octet-stream";
}

}  // namespace demo
