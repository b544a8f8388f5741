// downloadUrl: the plain download the picture stages use.
#include <windows.h>
#include <wininet.h>

#include <mutex>

#include "util/http.h"
#include "util/http_internal.h"

namespace {

using http_detail::InternetHandle;

// One session for the whole process, opened on first use from whichever thread
// gets there first. A failed open is tried again by the next download.
HINTERNET downloadSession() {
  static std::mutex lock;
  static InternetHandle session;
  std::lock_guard<std::mutex> hold(lock);
  if (!session) {
    session = InternetHandle(InternetOpenA(http_detail::kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (session) {
      // A picture server that stops answering must not hold a worker forever.
      DWORD limit = 60000;
      InternetSetOptionA(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &limit, sizeof limit);
      InternetSetOptionA(session.get(), INTERNET_OPTION_SEND_TIMEOUT, &limit, sizeof limit);
      InternetSetOptionA(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &limit, sizeof limit);
    }
  }
  return session.get();
}

}  // namespace

std::string downloadUrl(const std::string& address) {
  if (address.empty()) return {};
  HINTERNET session = downloadSession();
  if (!session) return {};

  char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
  char user[INTERNET_MAX_USER_NAME_LENGTH + 1] = {};
  char password[INTERNET_MAX_PASSWORD_LENGTH + 1] = {};
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUserName = user;
  parts.dwUserNameLength = sizeof user;
  parts.lpszPassword = password;
  parts.dwPasswordLength = sizeof password;
  parts.dwUrlPathLength = 1;   // point into the address instead of copying:
  parts.dwExtraInfoLength = 1; // path and query may be longer than any fixed buffer
  if (!InternetCrackUrlA(address.c_str(), DWORD(address.size()), 0, &parts)) return {};
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP) return {};
  std::string object;
  if (parts.lpszUrlPath) object.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty() || object[0] != '/') object.insert(object.begin(), '/');

  InternetHandle connection(InternetConnectA(session, host, parts.nPort, user[0] ? user : nullptr,
                                             password[0] ? password : nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return {};
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
  if (secure) flags |= INTERNET_FLAG_SECURE;
  InternetHandle request(
      HttpOpenRequestA(connection.get(), "GET", object.c_str(), "HTTP/1.0", nullptr, nullptr, flags, 0));
  if (!request) return {};
  static const char kAccept[] = "Accept: */*\r\n";
  if (!HttpSendRequestA(request.get(), kAccept, DWORD(sizeof kAccept - 1), nullptr, 0)) return {};

  std::string bytes;
  char chunk[16384];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request.get(), chunk, sizeof chunk, &got) || got == 0) break;
    bytes.append(chunk, got);
  }
  return bytes;
}
