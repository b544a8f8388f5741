// A 100-page shop with 40 items a page, every page answered 20 ms late, crawled
// by the five crawler threads: wall time against the bound the five threads set
// (100 x 20 ms / 5). Pages cycle through the three listing styles, so the later
// styles' extra compiles are in the figure. The quickest of three rounds counts.
// Baseline in the same process: the same 100 fetches on five threads without any
// matching, so crawl_vs_fetch_only is the crawler's own share and the rest is
// what one fetchPage costs on this machine.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "discovery/listing_crawler.h"
#include "discovery/listing_pages.h"
#include "support/loopback_server.h"
#include "util/http.h"

namespace {

constexpr int kPages = 100;
constexpr int kItemsPerPage = 40;
constexpr unsigned kDelayMs = 20;

double nowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}

std::string pageBody(int n) {
  const auto items = listingpages::numbered(100000 + n * 100, kItemsPerPage);
  std::string body;
  switch (n % 3) {
    case 0: body = listingpages::ordinary(items); break;
    case 1: body = listingpages::storefront(items); break;
    default: body = listingpages::street(items); break;
  }
  return listingpages::page(body, kPages * kItemsPerPage, n, kPages);
}

}  // namespace

int main() {
  loopback::LoopbackServer server;
  server.setHandler([](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
    auto n = r.queryParam("pageNum");
    if (!n) return std::nullopt;
    loopback::Reply reply = loopback::Reply::text(pageBody(std::stoi(*n)));
    reply.delayMs = kDelayMs;
    return reply;
  });

  double best = 1e30;
  int rows = 0;
  for (int round = 0; round < 3; ++round) {
    AppState state;
    state.endpoints.itemPageHost = "item.example";
    state.collectMode = "店铺";
    state.crawlShopHost = server.hostPort();
    state.crawlPageCount = kPages;
    state.crawlNextPage = 0;
    ListingCrawl crawl(state);
    const double start = nowMs();
    crawl.start();
    crawl.join();
    best = std::min(best, nowMs() - start);
    rows = state.itemList.rowCount();
  }
  double fetchOnly = 1e30;
  for (int round = 0; round < 3; ++round) {
    std::atomic<int> next{0};
    const double start = nowMs();
    std::vector<std::thread> threads;
    for (int t = 0; t < 5; ++t)
      threads.emplace_back([&] {
        for (int n; (n = ++next) <= kPages;)
          fetchPage("http://" + server.hostPort() + "/search.htm?&pageNum=" + std::to_string(n));
      });
    for (auto& t : threads) t.join();
    fetchOnly = std::min(fetchOnly, nowMs() - start);
  }
  const double bound = double(kPages) * kDelayMs / 5.0;
  std::printf("BENCH fetch_only_wall_ms %.1f ms\n", fetchOnly);
  std::printf("BENCH crawl_vs_fetch_only %.3f ratio\n", best / fetchOnly);
  std::printf("BENCH crawl_wall_ms %.1f ms\n", best);
  std::printf("BENCH crawl_rows %d rows\n", rows);
  std::printf("BENCH crawl_wall_vs_bound %.3f ratio\n", best / bound);
  return rows == kPages * kItemsPerPage ? 0 : 1;
}
