#include "util/http.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <climits>
#include <memory>
#include <mutex>

#include "util/http_internal.h"
#include "util/text.h"

namespace http_detail {
namespace {
std::atomic<int> gLiveRequestThreads{0};
std::atomic<int> gOpenInternetHandles{0};
}  // namespace

InternetHandle::InternetHandle(HINTERNET h) : h_(h) {
  if (h_) ++gOpenInternetHandles;
}

InternetHandle& InternetHandle::operator=(InternetHandle&& other) noexcept {
  if (this != &other) {
    reset();
    h_ = other.release();
  }
  return *this;
}

HINTERNET InternetHandle::release() {
  HINTERNET h = h_;
  h_ = nullptr;
  return h;
}

void InternetHandle::reset() {
  if (!h_) return;
  InternetCloseHandle(h_);
  h_ = nullptr;
  --gOpenInternetHandles;
}

std::string mergeResponseCookies(std::string jar, const std::string& headers, std::string_view presence) {
  if (text::find(headers, presence) < 0) return jar;
  for (const std::string& line : text::split(headers, "\r\n")) {
    if (text::find(line, "Set-Cookie") < 0) continue;
    if (textBetween(line, "=", ";").empty()) continue;
    if (!jar.empty()) jar += "; ";
    jar += text::trim(textBetween(line, "Set-Cookie:", ";"));
  }
  return jar;
}

DWORD fetchWaitMilliseconds(int timeoutSeconds) {
  if (timeoutSeconds <= 0) timeoutSeconds = 90;
  // INFINITE is reserved; anything longer than ~49 days is as good as it.
  if (timeoutSeconds > int((INFINITE - 1) / 1000)) timeoutSeconds = int((INFINITE - 1) / 1000);
  return DWORD(timeoutSeconds) * 1000;
}

long comTimeoutMilliseconds(int timeoutSeconds) {
  if (timeoutSeconds <= 0) return 15000;
  if (timeoutSeconds > LONG_MAX / 1000) return LONG_MAX;
  return long(timeoutSeconds) * 1000;
}

int liveRequestThreads() { return gLiveRequestThreads.load(); }
int openInternetHandles() { return gOpenInternetHandles.load(); }

namespace {

using http_detail::InternetHandle;

struct FetchRequest {
  std::string address;
  std::string method;
  std::string body;
  std::string cookies;
  bool wantCookies = false;
  std::string proxy;
  std::string extraHeaders;
  std::string userName;
  std::string password;
  bool wantHeaders = false;
  bool storeCookies = false;
  DWORD waitMs = 0;
};

// Members are destroyed bottom-up, so a request handle is closed before its
// connection and the connection before its session: closing a parent first
// would close the children behind our back and their values could be reused.
struct FetchResult {
  bool finished = false;
  std::string headers;
  std::string cookies;
  std::string body;
  InternetHandle sessionHandle;
  InternetHandle connectionHandle;
  InternetHandle requestHandle;
};

// Shared by the caller and its request thread; whichever lets go last frees it,
// so a thread that outlives its caller's wait never touches freed memory.
struct FetchCall {
  FetchRequest request;
  std::mutex lock;
  bool taken = false;                // guarded by lock: the published result has been taken
  std::atomic<bool> abandoned{false};  // the same, for the request thread's cheap checks
  FetchResult result;                // guarded by lock
};

class RequestThreadCount {
 public:
  RequestThreadCount() { ++gLiveRequestThreads; }
  ~RequestThreadCount() { --gLiveRequestThreads; }
};

// First publication: the handles move into the shared result, where the caller
// finds and closes them even if the thread never gets further. Refused once the
// caller has stopped waiting; the thread's own owners then close them.
bool publishHandles(FetchCall& call, InternetHandle& session, InternetHandle& connection, InternetHandle& request) {
  std::lock_guard<std::mutex> hold(call.lock);
  if (call.taken) return false;
  call.result.sessionHandle = std::move(session);
  call.result.connectionHandle = std::move(connection);
  call.result.requestHandle = std::move(request);
  return true;
}

bool publishFinal(FetchCall& call, std::string headers, std::string cookies, std::string body) {
  std::lock_guard<std::mutex> hold(call.lock);
  if (call.taken) return false;  // the caller already took (and closed) the handles
  call.result.headers = std::move(headers);
  call.result.cookies = std::move(cookies);
  call.result.body = std::move(body);
  call.result.finished = true;
  return true;
}

// Takes whatever was published. Closing the handles it holds makes a call the
// thread is blocked in return; from then on the thread only unwinds.
FetchResult takeResult(FetchCall& call) {
  std::lock_guard<std::mutex> hold(call.lock);
  call.taken = true;
  call.abandoned = true;
  return std::move(call.result);
}

void storeResponseCookies(const std::string& headers, const std::string& host) {
  if (text::find(headers, "Set-Cookie:") < 0) return;
  std::string url = "http://" + host;
  for (const std::string& line : text::split(headers, "\r\n")) {
    if (text::find(line, "Set-Cookie") < 0 || line.size() < 12) continue;
    std::string rest = line.substr(12);
    int eq = text::find(rest, "=");
    if (eq < 1) continue;  // a line without a name has nothing to store
    std::string name = rest.substr(0, size_t(eq - 1));
    std::string data = rest.substr(size_t(eq));
    InternetSetCookieA(url.c_str(), name.c_str(), data.c_str());
  }
}

void runRequest(FetchCall& call) {
  const FetchRequest& r = call.request;
  // The A entry points carry the program's GBK bytes onto the wire unchanged,
  // whatever the system code page.
  const std::string host = hostOf(r.address, false);
  const std::string path = pathOf(r.address);
  const int port = portOf(r.address);

  std::string proxy;
  for (char c : r.proxy)
    if (c != ' ') proxy += c;
  std::string proxyName = "http=" + proxy;
  InternetHandle session(InternetOpenA(http_detail::kAgent,
                                       proxy.empty() ? INTERNET_OPEN_TYPE_DIRECT : INTERNET_OPEN_TYPE_PROXY,
                                       proxy.empty() ? nullptr : proxyName.c_str(), "", 0));
  if (!session) return;
  // WinINet gives up on its own no later than the caller does, so a thread whose
  // caller stopped waiting unwinds even where closing its handles does not wake
  // a blocked receive.
  DWORD limit = r.waitMs;
  InternetSetOptionA(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &limit, sizeof limit);
  InternetSetOptionA(session.get(), INTERNET_OPTION_SEND_TIMEOUT, &limit, sizeof limit);
  InternetSetOptionA(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &limit, sizeof limit);

  const bool withLogin = !text::trim(r.userName).empty() && !text::trim(r.password).empty();
  InternetHandle connection(InternetConnectA(session.get(), host.c_str(), INTERNET_PORT(port),
                                             withLogin ? r.userName.c_str() : "", withLogin ? r.password.c_str() : "",
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return;

  const bool hasCookies = !text::trim(r.cookies).empty();
  DWORD flags = INTERNET_FLAG_RELOAD;
  if (hasCookies && !r.storeCookies) flags |= INTERNET_FLAG_NO_COOKIES;
  InternetHandle request(HttpOpenRequestA(connection.get(), r.method.empty() ? nullptr : r.method.c_str(),
                                          path.c_str(), "HTTP/1.1", nullptr, nullptr, flags, 0));
  if (!request) return;
  InternetSetOptionA(request.get(), INTERNET_OPTION_SEND_TIMEOUT, &limit, sizeof limit);
  InternetSetOptionA(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &limit, sizeof limit);

  std::string block = r.extraHeaders;
  if (!text::containsNoCase(block, "Accept: ")) block += std::string("Accept: ") + http_detail::kBrowserAccept + "\r\n";
  if (!text::containsNoCase(block, "Referer: ")) block += "Referer: " + r.address + "\r\n";
  if (!text::containsNoCase(block, "Accept-Language: ")) block += "Accept-Language: zh-cn\r\n";
  if (hasCookies) {
    std::string line = "Cookie: " + r.cookies + "\r\n";
    HttpAddRequestHeadersA(request.get(), line.c_str(), DWORD(line.size()), HTTP_ADDREQ_FLAG_ADD);
  }

  const HINTERNET req = request.get();
  if (!publishHandles(call, session, connection, request)) return;

  const bool isGet = r.method.empty() || text::equalsNoCase(r.method, "GET");
  const bool isPost = text::equalsNoCase(r.method, "POST");
  if (!isGet && !isPost) {
    // Nothing goes out; the result stays unfinished.
    FetchResult mine = takeResult(call);
    return;
  }

  if (call.abandoned) return;
  const bool postBody = isPost && !r.body.empty();
  if (postBody) {
    if (!text::containsNoCase(block, "Content-Type: ")) block += "Content-Type: application/x-www-form-urlencoded\r\n";
    block += "Content-Length: " + text::decimal((long long)r.body.size()) + "\r\n";
  }
  const BOOL sent = HttpSendRequestA(req, block.c_str(), DWORD(block.size()),
                                     postBody ? const_cast<char*>(r.body.data()) : nullptr,
                                     postBody ? DWORD(r.body.size()) : 0);

  std::string body;
  char chunk[2048];
  for (;;) {
    // Once the caller has given up the handle may already be closed and its
    // value handed to someone else's request: touch it no more.
    if (call.abandoned) return;
    DWORD got = 0;
    if (!InternetReadFile(req, chunk, sizeof chunk, &got) || got == 0) break;
    body.append(chunk, got);
  }
  // No answer at all (refused, reset before any byte) is a failed fetch, not an
  // empty page with blank headers.
  if (!sent && body.empty()) return;

  std::string headers, cookies;
  if (r.wantHeaders || r.wantCookies || r.storeCookies) {
    if (call.abandoned) return;
    char raw[2048];
    DWORD length = sizeof raw;
    if (HttpQueryInfoA(req, HTTP_QUERY_RAW_HEADERS_CRLF, raw, &length, nullptr)) headers.assign(raw, length);
    if (r.wantCookies) cookies = http_detail::mergeResponseCookies("", headers, "Set-Cookie:");
    if (r.storeCookies) storeResponseCookies(headers, host);
    if (!r.wantHeaders) headers.clear();
  }
  publishFinal(call, std::move(headers), std::move(cookies), std::move(body));
}

DWORD WINAPI requestThread(void* arg) {
  RequestThreadCount counted;
  std::shared_ptr<FetchCall> call = std::move(*static_cast<std::shared_ptr<FetchCall>*>(arg));
  delete static_cast<std::shared_ptr<FetchCall>*>(arg);
  try {
    runRequest(*call);
  } catch (...) {
    // Out of memory for a body: the result stays unfinished, so the caller gets empty bytes.
  }
  return 0;
}

constexpr DWORD kPumpWakeMask = 0x4BF;  // input, timer, paint, hot-key and posted messages

// Waits for the thread while the calling window goes on handling its messages.
// One deadline for the whole wait: a window with a periodic timer must not keep
// the wait from ever timing out.
bool waitPumping(HANDLE thread, DWORD waitMs) {
  const ULONGLONG deadline = GetTickCount64() + waitMs;
  bool quit = false;
  WPARAM quitCode = 0;
  bool ended = false;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now >= deadline ? 0 : DWORD(deadline - now);
    const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, left, kPumpWakeMask);
    if (woke == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
    if (woke != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  // The window's own loop must still see the quit request.
  if (quit) PostQuitMessage(int(quitCode));
  return ended;
}

}  // namespace
}  // namespace http_detail

std::string fetchPage(const std::string& address, const FetchOptions& options) {
  using namespace http_detail;
  auto call = std::make_shared<FetchCall>();
  FetchRequest& r = call->request;
  r.address = address;
  r.method = options.method;
  r.body = options.body;
  r.cookies = options.cookies;
  r.wantCookies = options.responseCookies != nullptr;
  r.proxy = options.proxy;
  r.extraHeaders = options.extraHeaders;
  r.userName = options.userName;
  r.password = options.password;
  r.wantHeaders = options.responseHeaders != nullptr;
  r.storeCookies = options.storeCookies;
  r.waitMs = fetchWaitMilliseconds(options.timeoutSeconds);

  auto* arg = new std::shared_ptr<FetchCall>(call);
  HANDLE thread = CreateThread(nullptr, 0, requestThread, arg, 0, nullptr);
  if (!thread) {
    delete arg;
    return {};
  }
  const bool ended = options.pumpMessages ? waitPumping(thread, r.waitMs)
                                          : WaitForSingleObject(thread, r.waitMs) == WAIT_OBJECT_0;
  CloseHandle(thread);

  // Whatever handles were published close when `result` goes out of scope.
  FetchResult result = takeResult(*call);
  if (!ended || !result.finished) return {};
  if (options.responseHeaders) *options.responseHeaders = result.headers;
  if (options.responseCookies) *options.responseCookies = result.cookies;
  return std::move(result.body);
}

std::string hostOf(const std::string& address, bool keepPort) {
  int at = text::find(address, "http://");
  size_t start = at > 0 ? size_t(at - 1) + 7 : 0;
  std::string host = address.substr(start);
  int slash = text::find(host, "/");
  if (slash > 0) host.resize(size_t(slash - 1));
  if (!keepPort) {
    int colon = text::find(host, ":");
    if (colon > 0) host.resize(size_t(colon - 1));
  }
  return text::toLowerAscii(host);
}

std::string pathOf(const std::string& address) {
  int at = text::findNoCase(address, hostOf(address, false));
  if (at < 1) return "/";
  int slash = text::find(address, "/", at);
  if (slash < 1) return "/";
  return address.substr(size_t(slash - 1));
}

int portOf(const std::string& address) {
  std::string host = hostOf(address, true);
  int colon = text::find(host, ":");
  if (colon < 1) return 80;
  return text::leadingInt(std::string_view(host).substr(size_t(colon)));
}

std::string textBetween(const std::string& text, const std::string& left, const std::string& right) {
  std::string rest = text;
  if (!left.empty()) {
    int at = text::find(text, left);
    if (at < 1) return {};
    rest = text.substr(size_t(at - 1) + left.size());
  }
  if (right.empty()) return rest;
  int end = text::find(rest, right);
  if (end < 1) return {};
  return rest.substr(0, size_t(end - 1));
}
