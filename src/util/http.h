// The program's ways onto the web. Each returns the body bytes, empty on any
// failure; no status code is looked at.
#pragma once

#include <string>

// Optional arguments of fetchPage, in their order.
struct FetchOptions {
  std::string method;                     // "GET" / "POST" (any case); empty = GET
  std::string body;                       // POST body
  std::string cookies;                    // "a=1; b=2" to send
  std::string* responseCookies = nullptr; // out: cookies the response set
  std::string proxy;                      // "host:port"
  int timeoutSeconds = 0;                 // 0 = 90
  bool pumpMessages = false;              // keep the calling window responsive while waiting
  std::string extraHeaders;               // lines each ending in "\r\n"
  std::string userName;
  std::string password;
  std::string* responseHeaders = nullptr; // out: raw response headers
  bool storeCookies = false;
};

std::string fetchPage(const std::string& address, const FetchOptions& options = {});

// Optional arguments of requestViaComObject, in their order.
struct ComRequestOptions {
  std::string method;               // empty = GET
  std::string body;
  std::string cookies;
  std::string* cookieJar = nullptr; // in/out: response cookies are appended
  std::string proxy;
  int timeoutSeconds = 0;           // 0 = 15
  std::string proxyUser;
  std::string proxyPassword;
  std::string referrer;
};

class UiServices;
// `ui` receives the "系统不支持本操作" message when no request class can be created.
std::string requestViaComObject(const std::string& address, const ComRequestOptions& options = {},
                                UiServices* ui = nullptr);

std::string downloadUrl(const std::string& address);

std::string hostOf(const std::string& address, bool keepPort);
std::string pathOf(const std::string& address);
int portOf(const std::string& address);
std::string textBetween(const std::string& text, const std::string& left = "", const std::string& right = "");
