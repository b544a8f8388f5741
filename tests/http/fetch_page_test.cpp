#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

#include "http/http_test_support.h"
#include "support/loopback_server.h"
#include "util/http.h"
#include "util/http_internal.h"

using http_test::headerIndex;
using http_test::ownLines;
using loopback::LoopbackServer;
using loopback::Reply;
using Lines = std::vector<std::string>;

namespace {

TEST(FetchPage, DefaultGetCarriesExactlyTheBrowserLines) {
  LoopbackServer server;
  server.serve("/page.htm", "<html>page</html>");
  const std::string address = server.url("/page.htm?id=7");

  EXPECT_EQ(fetchPage(address), "<html>page</html>");

  loopback::RecordedRequest sent = server.lastRequest();
  EXPECT_EQ(sent.requestLine, "GET /page.htm?id=7 HTTP/1.1");
  EXPECT_EQ(sent.header("Host"), server.hostPort());
  EXPECT_EQ(sent.header("User-Agent"), http_test::kAgent);
  EXPECT_EQ(ownLines(sent), (Lines{http_test::kAcceptLine, "Referer: " + address, "Accept-Language: zh-cn"}));
  EXPECT_EQ(sent.body, "");
  std::printf("recorded request:\n%s", sent.raw.c_str());  // what a default GET looks like on the wire
}

TEST(FetchPage, AddressFormsReachTheRightPlace) {
  LoopbackServer server;
  server.setHandler([](const loopback::RecordedRequest& r) { return Reply::text("at " + r.target); });
  const std::string port = std::to_string(server.port());
  struct Case {
    std::string address;
    std::string requestLine;
  };
  const Case cases[] = {
      {"127.0.0.1:" + port + "/bare.htm", "GET /bare.htm HTTP/1.1"},  // no "http://"
      {"http://127.0.0.1:" + port, "GET / HTTP/1.1"},                 // no path
      {"http://127.0.0.1:" + port + "/Mixed/Case.htm?A=1&b=%D6", "GET /Mixed/Case.htm?A=1&b=%D6 HTTP/1.1"},
      {"http://127.0.0.1:" + port + "//app3.xml", "GET //app3.xml HTTP/1.1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    std::string body = fetchPage(c.address);
    loopback::RecordedRequest sent = server.lastRequest();
    EXPECT_EQ(sent.requestLine, c.requestLine);
    EXPECT_EQ(body, "at " + sent.target);
    // The host without its port is the server name; the port comes on its own.
    EXPECT_EQ(sent.header("Host"), server.hostPort());
    EXPECT_EQ(sent.header("Referer"), c.address);
  }
}

TEST(FetchPage, CallerHeadersComeFirstAndSuppressDefaultsInAnyCase) {
  LoopbackServer server;
  server.serve("/h", "ok");
  const std::string address = server.url("/h");
  const std::string accept = http_test::kAcceptLine;
  struct Case {
    std::string extra;
    Lines own;
  };
  const Case cases[] = {
      {"referer: http://from.example/\r\n", {"referer: http://from.example/", accept, "Accept-Language: zh-cn"}},
      {"REFERER: http://from.example/\r\n", {"REFERER: http://from.example/", accept, "Accept-Language: zh-cn"}},
      {"accept: text/html\r\nACCEPT-LANGUAGE: en\r\n",
       {"accept: text/html", "ACCEPT-LANGUAGE: en", "Referer: " + address}},
      {"X-Trace: 1\r\n", {"X-Trace: 1", accept, "Referer: " + address, "Accept-Language: zh-cn"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extra);
    FetchOptions options;
    options.extraHeaders = c.extra;
    EXPECT_EQ(fetchPage(address, options), "ok");
    EXPECT_EQ(ownLines(server.lastRequest()), c.own);
  }
}

TEST(FetchPage, PostAddsFormTypeAndLengthOnlyWithABody) {
  LoopbackServer server;
  server.serve("/post", "posted");
  const std::string body = "a=1&b=\xD6\xD0";  // GBK bytes go out unchanged

  struct Case {
    std::string method;
    std::string extra;
    std::string body;
    std::string contentType;  // expected; empty: no Content-Type line
  };
  const Case cases[] = {
      {"POST", "", body, "application/x-www-form-urlencoded"},
      {"post", "", body, "application/x-www-form-urlencoded"},
      {"POST", "content-type: text/xml\r\n", body, "text/xml"},
      {"POST", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method + " " + c.extra + " body of " + std::to_string(c.body.size()));
    FetchOptions options;
    options.method = c.method;
    options.extraHeaders = c.extra;
    options.body = c.body;
    EXPECT_EQ(fetchPage(server.url("/post"), options), "posted");
    loopback::RecordedRequest sent = server.lastRequest();
    EXPECT_EQ(sent.method, c.method);  // the verb keeps the caller's letter case
    EXPECT_EQ(sent.body, c.body);
    EXPECT_EQ(sent.headerCount("Content-Type"), c.contentType.empty() ? 0 : 1);
    if (!c.contentType.empty()) {
      EXPECT_EQ(sent.header("Content-Type"), c.contentType);
    }
    if (c.body.empty()) {
      // The request facility may state an empty POST's length itself; the program adds nothing.
      EXPECT_LE(sent.headerCount("Content-Length"), 1);
      if (sent.headerCount("Content-Length") == 1) {
        EXPECT_EQ(sent.header("Content-Length"), "0");
      }
    } else {
      EXPECT_EQ(sent.headerCount("Content-Length"), 1);
      EXPECT_EQ(sent.header("Content-Length"), std::to_string(c.body.size()));
      EXPECT_LT(headerIndex(sent, "Accept-Language"), headerIndex(sent, "Content-Length"));
    }
  }
}

TEST(FetchPage, OtherMethodsInAnyCaseSendNothing) {
  LoopbackServer server;
  server.serve("/m", "answer");
  const int handlesBefore = http_detail::openInternetHandles();
  for (const char* method : {"put", "PUT", "Put", "DELETE", "HEAD"}) {
    SCOPED_TRACE(method);
    FetchOptions options;
    options.method = method;
    options.body = "x=1";
    std::string headers = "untouched";
    options.responseHeaders = &headers;
    EXPECT_EQ(fetchPage(server.url("/m"), options), "");
    EXPECT_EQ(headers, "untouched");
  }
  // The request thread has ended before fetchPage returns, so nothing can still come.
  EXPECT_EQ(server.requestCount(), 0u);
  EXPECT_EQ(http_detail::openInternetHandles(), handlesBefore);
  EXPECT_EQ(fetchPage(server.url("/m")), "answer");
}

TEST(FetchPage, ResponseCookiesKeepOnlyThoseWithAValue) {
  LoopbackServer server;
  server.serve("/c", Reply::text("cookies").cookie("a=1; path=/").cookie("b=; path=/"));
  std::string cookies = "old", headers;
  FetchOptions options;
  options.responseCookies = &cookies;
  options.responseHeaders = &headers;

  EXPECT_EQ(fetchPage(server.url("/c"), options), "cookies");
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << headers;
  EXPECT_NE(headers.find("Set-Cookie: a=1; path=/\r\n"), std::string::npos) << headers;
  EXPECT_NE(headers.find("Set-Cookie: b=; path=/\r\n"), std::string::npos) << headers;

  // Cookies wanted, headers not.
  FetchOptions cookiesOnly;
  cookiesOnly.responseCookies = &cookies;
  cookies.clear();
  EXPECT_EQ(fetchPage(server.url("/c"), cookiesOnly), "cookies");
  EXPECT_EQ(cookies, "a=1");
}

TEST(FetchPage, GivenCookiesBypassTheCookieStoreUnlessStoring) {
  LoopbackServer server;
  server.serve("/s", Reply::text("stored").cookie("s=7; path=/"));
  server.serve("/plain", "plain");
  ASSERT_TRUE(InternetSetCookieA("http://127.0.0.1/", "z", "5"));

  // Own cookies: they alone go out.
  FetchOptions own;
  own.cookies = "a=1; b=2";
  EXPECT_EQ(fetchPage(server.url("/plain"), own), "plain");
  EXPECT_EQ(server.lastRequest().headerCount("Cookie"), 1);
  EXPECT_EQ(server.lastRequest().header("Cookie"), "a=1; b=2");

  // Blank cookies are none: the store serves the request.
  FetchOptions blank;
  blank.cookies = "   ";
  EXPECT_EQ(fetchPage(server.url("/plain"), blank), "plain");
  EXPECT_NE(server.lastRequest().header("Cookie").value_or("").find("z=5"), std::string::npos);

  // Storing: the store is read too (how it combines with the given cookies is
  // the facility's affair), and the response's cookie lands in it.
  FetchOptions storing;
  storing.cookies = "a=1";
  storing.storeCookies = true;
  EXPECT_EQ(fetchPage(server.url("/s"), storing), "stored");
  std::string wire;
  for (const std::string& line : server.lastRequest().headerLines)
    if (http_test::sameNameNoCase(line, "Cookie")) wire += line + "\n";
  EXPECT_NE(wire.find("z=5"), std::string::npos) << wire;
  char jar[1024] = {};
  DWORD size = sizeof jar;
  ASSERT_TRUE(InternetGetCookieA("http://127.0.0.1/", nullptr, jar, &size));
  EXPECT_NE(std::string(jar).find("s=7"), std::string::npos) << jar;
}

TEST(FetchPage, HeadersLongerThanTheQueryBufferAreBlank) {
  LoopbackServer server;
  server.serve("/long", Reply::text("body still here").cookie("a=1; path=/").header("X-Padding: " + std::string(3000, 'p')));
  std::string headers = "before", cookies = "before";
  FetchOptions options;
  options.responseHeaders = &headers;
  options.responseCookies = &cookies;
  EXPECT_EQ(fetchPage(server.url("/long"), options), "body still here");
  EXPECT_EQ(headers, "");
  EXPECT_EQ(cookies, "");
}

TEST(FetchPage, ErrorStatusBodiesAreContent) {
  LoopbackServer server;
  server.serve("/missing", Reply::withStatus(404, "Not Found", "<h1>gone</h1>"));
  server.serve("/broken", Reply::withStatus(500, "Internal Server Error", "trace"));
  EXPECT_EQ(fetchPage(server.url("/missing")), "<h1>gone</h1>");
  EXPECT_EQ(fetchPage(server.url("/broken")), "trace");
}

TEST(FetchPage, AnswerAfterTheTimeOutGivesEmptyBytesAndNoOutputs) {
  LoopbackServer server;
  Reply late = Reply::text("too late").cookie("a=1; path=/");
  late.delayMs = 2500;
  server.serve("/late", late);
  // Headers and part of the body arrive in time, the rest never.
  Reply partly = Reply::text(loopback::patternBytes(50000, 1)).cookie("a=1; path=/");
  partly.stallAfterBodyBytes = 10000;
  server.serve("/partly", partly);
  for (const char* path : {"/late", "/partly"}) {
    SCOPED_TRACE(path);
    std::string headers = "untouched", cookies = "untouched";
    FetchOptions options;
    options.timeoutSeconds = 1;
    options.responseHeaders = &headers;
    options.responseCookies = &cookies;
    EXPECT_EQ(fetchPage(server.url(path), options), "");
    EXPECT_EQ(headers, "untouched");
    EXPECT_EQ(cookies, "untouched");
  }
}

TEST(FetchPage, OmittedTimeOutOutlastsASlowServer) {
  LoopbackServer server;
  Reply slow = Reply::text("slow but there");
  slow.delayMs = 2000;
  server.serve("/slow", slow);
  EXPECT_EQ(fetchPage(server.url("/slow")), "slow but there");
}

TEST(FetchPage, TimedOutRequestThreadUnwindsAndClosesEverything) {
  LoopbackServer server;
  Reply never;
  never.stall = true;
  server.serve("/stall", never);
  const int threadsBefore = http_detail::liveRequestThreads();
  const int handlesBefore = http_detail::openInternetHandles();
  FetchOptions options;
  options.timeoutSeconds = 1;
  EXPECT_EQ(fetchPage(server.url("/stall"), options), "");
  EXPECT_TRUE(server.waitForRequests(1, 5000));
  // The server still holds the connection: the thread must get free by itself.
  EXPECT_TRUE(http_test::eventually([&] { return http_detail::liveRequestThreads() == threadsBefore; }, 20000));
  EXPECT_TRUE(http_test::eventually([&] { return http_detail::openInternetHandles() == handlesBefore; }, 20000));
  EXPECT_EQ(server.requestCount(), 1u);
}

TEST(FetchPage, EveryHandleIsClosedExactlyOnce) {
  LoopbackServer server;
  server.serve("/ok", "ok");
  const int before = http_detail::openInternetHandles();
  FetchOptions put;
  put.method = "put";
  fetchPage(server.url("/ok"));
  fetchPage(server.url("/ok"), put);
  fetchPage("http://127.0.0.1:" + std::to_string(http_test::closedPort()) + "/ok");
  fetchPage("");
  // A count below where it started would mean a handle closed twice.
  EXPECT_EQ(http_detail::openInternetHandles(), before);
  EXPECT_EQ(http_detail::liveRequestThreads(), 0);
}

TEST(FetchPage, ConnectionRefusedGivesEmptyBytes) {
  std::string headers = "untouched";
  FetchOptions options;
  options.responseHeaders = &headers;
  EXPECT_EQ(fetchPage("http://127.0.0.1:" + std::to_string(http_test::closedPort()) + "/x", options), "");
  EXPECT_EQ(headers, "untouched");
}

TEST(FetchPage, ServerClosingMidBodyGivesWhatArrived) {
  LoopbackServer server;
  Reply cut = Reply::text(loopback::patternBytes(10000, 3), "application/octet-stream");
  cut.closeAfterBodyBytes = 4000;
  server.serve("/cut", cut);
  std::string got = fetchPage(server.url("/cut"));
  EXPECT_EQ(got.size(), 4000u);
  EXPECT_TRUE(got == loopback::patternBytes(10000, 3).substr(0, 4000));
}

TEST(FetchPage, TenMegabyteBodyArrivesIntact) {
  LoopbackServer server;
  const std::string big = loopback::patternBytes(10 * 1024 * 1024, 7);
  server.serve("/big", Reply::text(big, "application/octet-stream"));
  std::string got = fetchPage(server.url("/big"));
  EXPECT_EQ(got.size(), big.size());
  EXPECT_TRUE(got == big);
}

TEST(FetchPage, TwentyFetchesFromFiveThreadsKeepTheirOwnAnswers) {
  LoopbackServer server;
  for (int i = 0; i < 20; ++i) {
    Reply r = Reply::text("page " + std::to_string(i) + ":" + loopback::patternBytes(20000 + size_t(i), unsigned(i)));
    r.delayMs = unsigned(i % 4) * 30;  // answers overlap and finish out of order
    server.serve("/p" + std::to_string(i), r);
  }
  std::vector<std::string> results(20);
  std::vector<std::thread> threads;
  for (int t = 0; t < 5; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < 4; ++k) {
        int i = t * 4 + k;
        results[size_t(i)] = fetchPage(server.url("/p" + std::to_string(i)));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 20; ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(results[size_t(i)] ==
                "page " + std::to_string(i) + ":" + loopback::patternBytes(20000 + size_t(i), unsigned(i)));
  }
  std::vector<std::string> targets;
  for (const loopback::RecordedRequest& r : server.requests()) targets.push_back(r.target);
  std::sort(targets.begin(), targets.end());
  EXPECT_EQ(std::unique(targets.begin(), targets.end()) - targets.begin(), 20);
}

TEST(FetchPage, NamedProxyGetsTheWholeAddress) {
  LoopbackServer proxy;
  proxy.setHandler([](const loopback::RecordedRequest&) { return Reply::text("from the proxy"); });
  FetchOptions options;
  options.proxy = " 127.0.0.1 : " + std::to_string(proxy.port());  // spaces are dropped
  EXPECT_EQ(fetchPage("http://127.0.0.9/via.htm", options), "from the proxy");
  // Whether the default port is spelt out is up to the request facility.
  const std::string line = proxy.lastRequest().requestLine;
  EXPECT_TRUE(line == "GET http://127.0.0.9/via.htm HTTP/1.1" || line == "GET http://127.0.0.9:80/via.htm HTTP/1.1")
      << line;
}

// pumpMessages: the calling window keeps handling its messages during the wait.
struct PumpWindow {
  static inline std::atomic<bool> inFetch{false};
  static inline std::atomic<int> handledDuringFetch{0};
  static inline std::atomic<int> ticks{0};

  static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_APP && inFetch) ++handledDuringFetch;
    if (msg == WM_TIMER) ++ticks;
    return DefWindowProcW(hwnd, msg, w, l);
  }

  PumpWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuorvanePumpTest";
    RegisterClassW(&wc);
    hwnd = CreateWindowW(L"QuorvanePumpTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }
  ~PumpWindow() { DestroyWindow(hwnd); }
  HWND hwnd = nullptr;
};

TEST(FetchPage, PumpingWaitHandlesTheWindowsMessages) {
  PumpWindow window;
  ASSERT_TRUE(window.hwnd);
  LoopbackServer server;
  Reply slow = Reply::text("pumped");
  slow.delayMs = 800;
  server.serve("/slow", slow);
  std::thread poster([&] {
    server.waitForRequests(1, 5000);
    PostMessageW(window.hwnd, WM_APP, 0, 0);
  });
  FetchOptions options;
  options.pumpMessages = true;
  PumpWindow::inFetch = true;
  std::string body = fetchPage(server.url("/slow"), options);
  PumpWindow::inFetch = false;
  poster.join();
  EXPECT_EQ(body, "pumped");
  EXPECT_EQ(PumpWindow::handledDuringFetch.load(), 1);
}

TEST(FetchPage, PumpingWaitTimesOutWhileMessagesKeepComing) {
  PumpWindow window;
  ASSERT_TRUE(window.hwnd);
  SetTimer(window.hwnd, 1, 50, nullptr);
  LoopbackServer server;
  Reply never;
  never.stall = true;
  server.serve("/stall", never);
  FetchOptions options;
  options.pumpMessages = true;
  options.timeoutSeconds = 1;
  EXPECT_EQ(fetchPage(server.url("/stall"), options), "");
  KillTimer(window.hwnd, 1);
  EXPECT_GT(PumpWindow::ticks.load(), 0);
}

}  // namespace
