#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>

#include "http/http_test_support.h"
#include "support/fake_ui.h"
#include "support/loopback_server.h"
#include "util/http.h"
#include "util/http_internal.h"

using http_test::headerIndex;
using loopback::LoopbackServer;
using loopback::Reply;

namespace {

// Restores the program's own class list whatever a test did to it.
class ComRequest : public ::testing::Test {
 protected:
  void TearDown() override { http_detail::setComRequestClasses({}); }
};

// The program's headers, whatever the class adds itself; in the program's
// order when `ordered` (a class may keep its own order on the wire).
void expectProgramHeaders(const loopback::RecordedRequest& sent, const std::string& referrer, const char* cookie,
                          bool ordered = true) {
  EXPECT_EQ(sent.header("Referer"), referrer);
  EXPECT_EQ("Accept: " + sent.header("Accept").value_or(""), http_test::kAcceptLine);
  EXPECT_EQ(sent.header("Accept-Language"), "zh-cn");
  EXPECT_EQ(sent.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(sent.headerCount("Cookie"), cookie ? 1 : 0);
  if (cookie) {
    EXPECT_EQ(sent.header("Cookie"), cookie);
  }
  if (!ordered) return;
  EXPECT_LT(headerIndex(sent, "Referer"), headerIndex(sent, "Accept"));
  EXPECT_LT(headerIndex(sent, "Accept"), headerIndex(sent, "Accept-Language"));
  EXPECT_LT(headerIndex(sent, "Accept-Language"), headerIndex(sent, "Content-Type"));
  if (cookie) {
    EXPECT_LT(headerIndex(sent, "Content-Type"), headerIndex(sent, "Cookie"));
  }
}

// The class the program picks (the first that can be made) keeps the order.
TEST_F(ComRequest, EachKnownClassSendsTheHeaders) {
  LoopbackServer server;
  server.serve("//app3.xml", Reply::text("<apps/>", "text/xml"));
  const std::string address = server.url("//app3.xml");
  int usable = 0;
  for (const std::wstring& progId : http_detail::comRequestClasses()) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) continue;  // not every system has all three
    SCOPED_TRACE(std::string(progId.begin(), progId.end()));
    http_detail::setComRequestClasses({progId});
    FakeUiServices ui;
    server.clearRequests();
    EXPECT_EQ(requestViaComObject(address, {}, &ui), "<apps/>");
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_EQ(server.requestCount(), 1u);
    loopback::RecordedRequest sent = server.lastRequest();
    EXPECT_EQ(sent.requestLine, "GET //app3.xml HTTP/1.1");
    expectProgramHeaders(sent, address, nullptr, usable == 0);
    ++usable;
  }
  EXPECT_GE(usable, 1);
}

TEST_F(ComRequest, CookiesReferrerAndBodyWhenGiven) {
  LoopbackServer server;
  server.serve("/form", "done");
  ComRequestOptions options;
  options.method = "POST";
  options.body = "k=\xD6\xD0&n=1";
  options.cookies = "a=1; b=2";
  options.referrer = "http://127.0.0.1/from.htm";
  FakeUiServices ui;
  EXPECT_EQ(requestViaComObject(server.url("/form"), options, &ui), "done");
  loopback::RecordedRequest sent = server.lastRequest();
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.body, "k=\xD6\xD0&n=1");
  expectProgramHeaders(sent, "http://127.0.0.1/from.htm", "a=1; b=2");
}

TEST_F(ComRequest, CookieJarGetsTheNewCookiesAfterItsOwn) {
  LoopbackServer server;
  server.serve("/c", Reply::text("cookies").cookie("a=1; path=/").cookie("b=; path=/"));
  struct Case {
    std::string jar;
    std::string expected;
  };
  for (const Case& c : {Case{"x=9", "x=9; a=1"}, Case{"", "a=1"}}) {
    SCOPED_TRACE(c.jar);
    std::string jar = c.jar;
    ComRequestOptions options;
    options.cookieJar = &jar;
    EXPECT_EQ(requestViaComObject(server.url("/c"), options), "cookies");
    EXPECT_EQ(jar, c.expected);
  }
}

TEST_F(ComRequest, ErrorStatusBodyIsContent) {
  LoopbackServer server;
  server.serve("/gone", Reply::withStatus(404, "Not Found", "not here"));
  EXPECT_EQ(requestViaComObject(server.url("/gone")), "not here");
}

// The status line arrives, then part of the body, then nothing. (A server that
// keeps back even the status line is not used here: the test bench's WinHTTP
// class does not apply the receive time-out to that wait, Windows' does.)
TEST_F(ComRequest, AnswerAfterTheTimeOutGivesEmptyBytes) {
  LoopbackServer server;
  Reply partly = Reply::text(loopback::patternBytes(50000, 1));
  partly.stallAfterBodyBytes = 10000;
  server.serve("/partly", partly);
  ComRequestOptions options;
  options.timeoutSeconds = 1;
  EXPECT_EQ(requestViaComObject(server.url("/partly"), options), "");
}

TEST_F(ComRequest, RefusedConnectionGivesEmptyBytes) {
  FakeUiServices ui;
  EXPECT_EQ(requestViaComObject("http://127.0.0.1:" + std::to_string(http_test::closedPort()) + "/x", {}, &ui), "");
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ComRequest, NoUsableClassShowsTheWarning) {
  LoopbackServer server;
  server.serve("/x", "never asked");
  http_detail::setComRequestClasses({L"Quorvane.NoSuchRequest.1", L"Quorvane.NoSuchRequest.2"});
  FakeUiServices ui;
  EXPECT_EQ(requestViaComObject(server.url("/x"), {}, &ui), "");
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "系统不支持本操作");
  EXPECT_EQ(ui.boxes[0].title, "提示");
  EXPECT_EQ(ui.boxes[0].flags & MB_ICONMASK, unsigned(MB_ICONWARNING));
  EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(ComRequest, LaterClassServesWhenTheFirstIsMissing) {
  LoopbackServer server;
  server.serve("/x", "second");
  http_detail::setComRequestClasses({L"Quorvane.NoSuchRequest.1", L"WinHttp.WinHttpRequest.5.1",
                                     L"MSXML2.ServerXMLHTTP.6.0", L"MSXML2.ServerXMLHTTP.5.0"});
  FakeUiServices ui;
  EXPECT_EQ(requestViaComObject(server.url("/x"), {}, &ui), "second");
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ComRequest, WorksWhateverTheCallersApartment) {
  LoopbackServer server;
  server.serve("/x", "apartment");
  for (DWORD model : {DWORD(COINIT_APARTMENTTHREADED), DWORD(COINIT_MULTITHREADED)}) {
    std::string body;
    std::thread([&] {
      HRESULT hr = CoInitializeEx(nullptr, model);
      body = requestViaComObject(server.url("/x"));
      // The call balanced its own initialisation only: COM is still usable here.
      CLSID clsid{};
      CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &clsid);
      IUnknown* object = nullptr;
      EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object)),
                S_OK);
      if (object) object->Release();
      if (SUCCEEDED(hr)) CoUninitialize();
    }).join();
    EXPECT_EQ(body, "apartment") << model;
  }
}

}  // namespace
