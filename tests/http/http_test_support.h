// Small helpers the HTTP tests share.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/loopback_server.h"

namespace http_test {

inline bool sameNameNoCase(std::string_view line, std::string_view name) {
  if (line.size() <= name.size() || line[name.size()] != ':') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char a = line[i], b = name[i];
    if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// Position of the first header line of that name, -1 when absent.
inline int headerIndex(const loopback::RecordedRequest& r, std::string_view name) {
  for (size_t i = 0; i < r.headerLines.size(); ++i)
    if (sameNameNoCase(r.headerLines[i], name)) return int(i);
  return -1;
}

// The header lines the program itself put into the request: everything but
// what the request facility adds on its own.
inline std::vector<std::string> ownLines(const loopback::RecordedRequest& r) {
  static const char* const facility[] = {"Host", "User-Agent", "Connection", "Cache-Control", "Pragma"};
  std::vector<std::string> out;
  for (const std::string& line : r.headerLines) {
    bool skip = false;
    for (const char* name : facility) skip = skip || sameNameNoCase(line, name);
    if (!skip) out.push_back(line);
  }
  return out;
}

// Polls `done` until it holds or `ms` have passed.
inline bool eventually(const std::function<bool()>& done, unsigned ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (!done()) {
    if (GetTickCount64() > end) return false;
    Sleep(20);
  }
  return true;
}

// A port nothing listens on: a server's port right after it stopped.
inline uint16_t closedPort() {
  loopback::LoopbackServer gone;
  uint16_t port = gone.port();
  gone.stop();
  return port;
}

inline constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
inline constexpr const char* kAcceptLine =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

}  // namespace http_test
