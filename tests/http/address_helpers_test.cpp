#include <gtest/gtest.h>

#include "../tools/demo_marketplace/site_rules.h"
#include "util/http.h"
#include "util/http_internal.h"

namespace {

TEST(AddressHelpers, SplitAddressesIntoHostPathAndPort) {
  struct Case {
    const char* address;
    const char* host;
    const char* hostWithPort;
    const char* path;
    int port;
  };
  const Case cases[] = {
      {"http://www.Shop.example/a/b.htm?q=1#top", "www.shop.example", "www.shop.example", "/a/b.htm?q=1#top", 80},
      {"http://127.0.0.1:8080/x.htm", "127.0.0.1", "127.0.0.1:8080", "/x.htm", 8080},
      // No scheme: the host is what precedes the first "/".
      {"item.example.com/item.htm?id=1", "item.example.com", "item.example.com", "/item.htm?id=1", 80},
      {"item.example.com:81/i", "item.example.com", "item.example.com:81", "/i", 81},
      // No path fetches "/".
      {"http://a.example", "a.example", "a.example", "/", 80},
      {"http://a.example:8080", "a.example", "a.example:8080", "/", 8080},
      // The host is found again without regard to case; the path keeps its case.
      {"http://A.EXAMPLE/Path/X.htm", "a.example", "a.example", "/Path/X.htm", 80},
      // The credential list address keeps its double slash.
      {"http://127.0.0.1:8610//app3.xml", "127.0.0.1", "127.0.0.1:8610", "//app3.xml", 8610},
      // A colon after the first "/" is not a port.
      {"http://a.example/x?u=1:2", "a.example", "a.example", "/x?u=1:2", 80},
      // Only "http://" is recognised.
      {"https://a.example/x", "https", "https:", "//a.example/x", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(hostOf(c.address, false), c.host);
    EXPECT_EQ(hostOf(c.address, true), c.hostWithPort);
    EXPECT_EQ(pathOf(c.address), c.path);
    EXPECT_EQ(portOf(c.address), c.port);
  }
}

TEST(AddressHelpers, TextBetweenMarkers) {
  struct Case {
    const char* text;
    const char* left;
    const char* right;
    const char* expected;
  };
  const Case cases[] = {
      {"Set-Cookie: a=1; path=/", "=", ";", "1"},
      {"Set-Cookie: a=1; path=/", "Set-Cookie:", ";", " a=1"},
      {"a[1][2]", "[", "]", "1"},           // first occurrences
      {"abc", "x", "c", ""},                // left missing
      {"a=1", "=", ";", ""},                // right missing after left
      {"b;a=1", "=", ";", ""},              // a right marker before left does not count
      {"key=val", "", "=", "key"},          // only right
      {"abc", "", "x", ""},
      {"key=val", "=", "", "val"},          // only left
      {"abc", "x", "", ""},
      {"ABC", "b", "", ""},                 // case-sensitive
      {"\x81[x[y]", "[", "]", "y"},         // the trail byte of a GBK character is no marker
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " | " + c.left + " | " + c.right);
    EXPECT_EQ(textBetween(c.text, c.left, c.right), c.expected);
  }
}

TEST(AddressHelpers, ResponseCookiesKeepOnlyNamedValues) {
  struct Case {
    const char* jar;
    const char* headers;
    const char* presence;
    const char* expected;
  };
  const char* twoCookies = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=; path=/\r\n\r\n";
  const Case cases[] = {
      {"", twoCookies, "Set-Cookie:", "a=1"},
      {"x=9", twoCookies, "Set-Cookie", "x=9; a=1"},
      {"", "Set-Cookie: a=1; path=/\r\nSet-Cookie: c=3\r\nSet-Cookie: d=4;\r\n", "Set-Cookie:", "a=1; d=4"},
      {"x=9", "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", "Set-Cookie", "x=9"},
      {"", "set-cookie: a=1; path=/\r\n", "Set-Cookie", ""},  // the header name is matched case-sensitively
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(http_detail::mergeResponseCookies(c.jar, c.headers, c.presence), c.expected);
  }
}

TEST(AddressHelpers, DefaultTimeOuts) {
  EXPECT_EQ(http_detail::fetchWaitMilliseconds(0), 90000u);
  EXPECT_EQ(http_detail::fetchWaitMilliseconds(-3), 90000u);
  EXPECT_EQ(http_detail::fetchWaitMilliseconds(2), 2000u);
  EXPECT_LT(http_detail::fetchWaitMilliseconds(2000000000), INFINITE);
  EXPECT_EQ(http_detail::comTimeoutMilliseconds(0), 15000);
  EXPECT_EQ(http_detail::comTimeoutMilliseconds(-1), 15000);
  EXPECT_EQ(http_detail::comTimeoutMilliseconds(4), 4000);
}

TEST(DemoSiteRules, TargetsMapOntoFiles) {
  using Files = std::vector<std::string>;
  struct Case {
    const char* target;
    Files files;
  };
  const Case cases[] = {
      {"//app3.xml", {"app3.xml"}},
      {"/news.htm", {"news.htm"}},
      {"/", {"index.htm"}},
      {"/shop/", {"shop/index.htm"}},
      {"/item.htm?id=123&x=1", {"item.htm@id=123&x=1", "item.htm"}},
      {"/search?q=a/b:c", {"search@q=a_b_c", "search"}},
      {"/router/rest?method=taobao.item.get&num_iid=4711&sign=AB",
       {"items/4711.xml", "router/rest@method=taobao.item.get&num_iid=4711&sign=AB", "router/rest"}},
      {"/router/rest?num_iid=../1", {"router/rest@num_iid=.._1", "router/rest"}},
      {"/../secret.txt", {}},
      {"/a/./b", {}},
      {"/c:/x", {}},
      {"/a\\b", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(demo::candidateFiles(c.target), c.files);
  }
  EXPECT_EQ(demo::contentTypeFor("items/1.XML"), "text/xml");
  EXPECT_EQ(demo::contentTypeFor("p.jpg"), "image/jpeg");
  EXPECT_EQ(demo::contentTypeFor("x.tbi"), "application/octet-stream");
}

}  // namespace
