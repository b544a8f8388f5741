#include <gtest/gtest.h>

#include <map>
#include <set>

#include "discovery/address_recognition.h"
#include "discovery/discovery_fixture.h"
#include "discovery/listing_crawler.h"
#include "discovery/listing_pages.h"

namespace {

using listingpages::numbered;

class Crawl : public DiscoveryTest {
 protected:
  // A shop of `pages` result pages; `pageBody(n)` gives page n.
  void serveShop(int pages, std::function<std::string(int)> pageBody, unsigned delayMs = 0) {
    server.setHandler([=](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
      if (r.path != "/search.htm") return std::nullopt;
      auto n = r.queryParam("pageNum");
      loopback::Reply reply = loopback::Reply::text(n ? pageBody(std::stoi(*n)) : listingpages::page("", 0, 1, pages));
      if (n) reply.delayMs = delayMs;
      return reply;
    });
  }
  void crawlShop() {
    setMode("店铺");
    ASSERT_TRUE(addFromAddress(state, crawl, server.url("/"), "店铺"));
    crawl.join();
  }
  std::map<int, int> fetchesPerPage() const {
    std::map<int, int> out;
    for (const auto& r : server.requests())
      if (auto n = r.queryParam("pageNum")) ++out[std::stoi(*n)];
    return out;
  }
  // "  线程：" + a thread number 1 to 5 + rest, else empty.
  static std::string afterThreadNumber(const std::string& l) {
    const std::string head = "  线程：";
    if (l.rfind(head, 0) != 0 || l.size() <= head.size() || l[head.size()] < '1' || l[head.size()] > '5') return {};
    return l.substr(head.size() + 1);
  }
  // The log lines that contain `part`, without time and line end.
  std::vector<std::string> linesWith(const std::string& part) const {
    std::vector<std::string> out;
    const std::string log = state.log.allText(), time = timestamps::logTime();
    size_t at = 0;
    while (at < log.size()) {
      size_t end = log.find("\r\n", at);
      std::string l = log.substr(at, end - at);
      if (l.find(part) != std::string::npos) out.push_back(l.substr(l.rfind(time, 0) == 0 ? time.size() : 0));
      at = end + 2;
    }
    return out;
  }

  ListingCrawl crawl{state};
};

TEST_F(Crawl, ThreePagesOnFiveThreadsAreEachFetchedOnce) {
  serveShop(3, [](int n) { return listingpages::page(listingpages::storefront(numbered(100 * n, 4)), 12, n, 3); });
  crawlShop();
  EXPECT_EQ(fetchesPerPage(), (std::map<int, int>{{1, 1}, {2, 1}, {3, 1}}));
  EXPECT_EQ(state.itemList.rowCount(), 12);
  EXPECT_FALSE(crawl.running());

  // One reading line per page, each from one of the five threads.
  std::set<std::string> pagesRead;
  for (const auto& l : linesWith("正在读取宝贝列表")) pagesRead.insert(afterThreadNumber(l));
  EXPECT_EQ(pagesRead, (std::set<std::string>{"  正在读取宝贝列表 第：  1 /3 页", "  正在读取宝贝列表 第：  2 /3 页",
                                              "  正在读取宝贝列表 第：  3 /3 页"}));
  EXPECT_EQ(linesWith("读取成功").size(), 3u);

  // The completion line comes once, last, with the final count.
  const std::string log = state.log.allText();
  const std::string done = line("  宝贝下载完成 【共提取了：  12  个宝贝】");
  EXPECT_EQ(linesWith("宝贝下载完成").size(), 1u);
  EXPECT_EQ(log.substr(log.size() - done.size()), done);

  // Rows as listed: the item-page address built on the item host.
  const ItemRow row = state.itemList.row(0);
  EXPECT_EQ(row.address, "http://item.example/item.htm?id=" + row.id);
  EXPECT_EQ(row.name, "宝贝 " + row.id);
}

TEST_F(Crawl, PageLineShowsTheWholeListsCount) {
  for (int i = 0; i < 5; ++i) state.itemList.addItemRow("earlier", "", "", "1");
  serveShop(1, [](int) { return listingpages::page(listingpages::street(numbered(7, 3)), 3, 1, 1); });
  crawlShop();
  const auto pageLines = linesWith("读取成功");
  ASSERT_EQ(pageLines.size(), 1u);
  EXPECT_EQ(afterThreadNumber(pageLines[0]), "  读取成功，成功提取了：  8  个宝贝");
  EXPECT_EQ(linesWith("宝贝下载完成"), (std::vector<std::string>{"  宝贝下载完成 【共提取了：  8  个宝贝】"}));
}

TEST_F(Crawl, LargePagesAreMatchedBetweenTheirMarkersOnly) {
  const std::string filler(600000, 'x');
  const std::string before = listingpages::storefront(numbered(1, 2));
  const std::string inside = listingpages::storefront(numbered(50, 3));
  serveShop(2, [=](int n) {
    return n == 1 ? filler + before + "下一页" + inside + "到第" + before  // the region between the markers
                  : before + "下一页" + inside + filler;                 // no "到第": nothing
  });
  crawlShop();
  ASSERT_EQ(state.itemList.rowCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(state.itemList.cellText(i, 3), std::to_string(50 + i));
}

TEST_F(Crawl, PageThatCannotBeFetchedAddsNothingAndIsStillReported) {
  serveShop(2, [](int n) { return n == 1 ? std::string() : listingpages::page(listingpages::ordinary(numbered(1, 2)), 2, 2, 2); });
  crawlShop();
  EXPECT_EQ(state.itemList.rowCount(), 2);
  EXPECT_EQ(linesWith("读取成功").size(), 2u);
  EXPECT_EQ(linesWith("宝贝下载完成").size(), 1u);
}

TEST_F(Crawl, ModeSwitchEndsTheCrawlWithoutFurtherFetches) {
  const int pages = 40;
  serveShop(pages, [](int n) { return listingpages::page(listingpages::storefront(numbered(1000 * n, 2)), 80, n, 40); },
            300);
  setMode("店铺");
  ASSERT_TRUE(addFromAddress(state, crawl, server.url("/"), "店铺"));
  ASSERT_TRUE(server.waitForRequests(2, 10000));  // the search page and a first listing page
  setMode("单品");
  crawl.join();
  const auto fetched = fetchesPerPage();
  // At most the pages under way at the switch, and none twice.
  EXPECT_LE(fetched.size(), 10u);
  for (const auto& [page, times] : fetched) EXPECT_EQ(times, 1) << page;
  EXPECT_EQ(state.itemList.rowCount(), int(2 * fetched.size()));
  EXPECT_TRUE(linesWith("宝贝下载完成").empty());
}

TEST_F(Crawl, EndIsReportedOnceAndANewCrawlStartsAfresh) {
  int ends = 0;
  crawl.setOnEnd([&] { ++ends; });
  serveShop(2, [](int n) { return listingpages::page(listingpages::storefront(numbered(10 * n, 1)), 2, n, 2); });
  crawlShop();
  crawlShop();
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(state.itemList.rowCount(), 4);
  EXPECT_EQ(linesWith("宝贝下载完成").size(), 2u);
}

}  // namespace
