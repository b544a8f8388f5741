#include <gtest/gtest.h>

#include <thread>

#include "http/http_test_support.h"
#include "support/loopback_server.h"
#include "util/http.h"
#include "util/http_internal.h"

using loopback::LoopbackServer;
using loopback::Reply;

namespace {

TEST(DownloadUrl, PlainHttp10GetWithOnlyTheAcceptLine) {
  LoopbackServer server;
  const std::string picture = loopback::patternBytes(300 * 1024, 11);
  server.serve("/img/p.jpg", Reply::text(picture, "image/jpeg"));
  std::string got = downloadUrl(server.url("/img/p.jpg?x=1"));
  EXPECT_EQ(got.size(), picture.size());
  EXPECT_TRUE(got == picture);

  loopback::RecordedRequest sent = server.lastRequest();
  EXPECT_EQ(sent.requestLine, "GET /img/p.jpg?x=1 HTTP/1.0");
  EXPECT_EQ(sent.header("User-Agent"), http_test::kAgent);
  EXPECT_EQ(http_test::ownLines(sent), (std::vector<std::string>{"Accept: */*"}));
}

TEST(DownloadUrl, AlwaysAsksTheServer) {
  LoopbackServer server;
  server.serve("/p.gif", Reply::text("first", "image/gif").header("Cache-Control: max-age=3600"));
  EXPECT_EQ(downloadUrl(server.url("/p.gif")), "first");
  server.serve("/p.gif", Reply::text("second", "image/gif"));
  EXPECT_EQ(downloadUrl(server.url("/p.gif")), "second");
  EXPECT_EQ(server.requestCount(), 2u);
}

TEST(DownloadUrl, FailuresGiveEmptyBytes) {
  EXPECT_EQ(downloadUrl(""), "");
  EXPECT_EQ(downloadUrl("http://127.0.0.1:" + std::to_string(http_test::closedPort()) + "/p.jpg"), "");
  EXPECT_EQ(downloadUrl("not an address"), "");
  LoopbackServer server;
  Reply cut = Reply::text(loopback::patternBytes(50000, 2), "image/jpeg");
  cut.closeAfterBodyBytes = 20000;
  server.serve("/cut.jpg", cut);
  EXPECT_TRUE(downloadUrl(server.url("/cut.jpg")) == loopback::patternBytes(50000, 2).substr(0, 20000));
}

TEST(DownloadUrl, ThreadsShareOneSession) {
  LoopbackServer server;
  for (int i = 0; i < 20; ++i) server.serve("/p" + std::to_string(i) + ".jpg", loopback::patternBytes(5000, unsigned(i)));
  const int before = http_detail::openInternetHandles();
  std::vector<std::string> results(20);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = t; i < 20; i += 4) results[size_t(i)] = downloadUrl(server.url("/p" + std::to_string(i) + ".jpg"));
    });
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(results[size_t(i)] == loopback::patternBytes(5000, unsigned(i))) << i;
  // What stays open is the one session, opened by whichever thread came first
  // (or by an earlier download of this process).
  const int after = http_detail::openInternetHandles();
  EXPECT_TRUE(after == before + 1 || (before == 1 && after == 1)) << before << " " << after;
  downloadUrl(server.url("/p0.jpg"));
  EXPECT_EQ(http_detail::openInternetHandles(), after);
}

}  // namespace
