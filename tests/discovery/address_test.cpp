#include <gtest/gtest.h>

#include "discovery/address_recognition.h"
#include "discovery/discovery_fixture.h"
#include "discovery/listing_crawler.h"
#include "discovery/listing_pages.h"

namespace {

const char* const kNoItem = "  地址输入不正确，未识别到宝贝！";
const char* const kBadShop = "  店铺地址输入不正确，未识别到宝贝！";
const char* const kBadCategory = "  分类地址输入不正确，未识别到宝贝！";
const char* const kEmptyCategoryPage = "  店铺地址输入不正确，未识别到宝贝！1";
const char* const kNoPages = "  该分类未识别到宝贝！";

class AddFromAddress : public DiscoveryTest {
 protected:
  // Runs the click's steps and waits for any crawl they started.
  bool add(const std::string& address, const std::string& mode) {
    setMode(mode);
    bool started = addFromAddress(state, crawl, address, mode);
    crawl.join();
    return started;
  }
  // A listing whose every page holds one item, id 10000 + page number.
  void serveListing(const std::string& searchPage) {
    server.setHandler([searchPage](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
      auto n = r.queryParam("pageNum");
      if (!n) return loopback::Reply::text(searchPage);
      if (r.path != "/search.htm") return std::nullopt;
      return loopback::Reply::text(listingpages::page(listingpages::storefront(listingpages::numbered(10000 + std::stoi(*n), 1)), 1, 1, 1));
    });
  }
  std::vector<std::string> listingTargets() const {
    std::vector<std::string> out;
    for (const auto& r : server.requests())
      if (r.queryParam("pageNum")) out.push_back(r.target);
    return out;
  }

  ListingCrawl crawl{state};
};

TEST_F(AddFromAddress, BlankAddressDoesNothing) {
  for (const char* mode : {"单品", "店铺", "列表"})
    for (const char* address : {"", "   ", "\xA1\xA1 \xA1\xA1"}) {
      EXPECT_FALSE(add(address, mode));
    }
  EXPECT_EQ(state.log.allText(), "");
  EXPECT_EQ(server.requestCount(), 0u);
  EXPECT_EQ(state.itemList.rowCount(), 0);
}

TEST_F(AddFromAddress, BlankAddressKeepsTheCategoryFields) {
  state.crawlCategoryId = "42";
  state.crawlCategoryKind = 1;
  add("  ", "列表");
  EXPECT_EQ(state.crawlCategoryId, "42");
  // Any other address clears them first, whatever the mode.
  add("x", "");
  EXPECT_EQ(state.crawlCategoryId, "");
  EXPECT_EQ(state.crawlCategoryKind.load(), 0);
}

TEST_F(AddFromAddress, SingleItemBecomesOneRow) {
  // NUL bytes on the page must not hide what follows them.
  const std::string nul(1, '\0');
  server.serve("/item.htm", "<html><head><TITLE>夏装 连衣裙 </TITLE></head>" + nul + "<body>" + nul +
                                "g_config = {itemId:\"10001\",shopId:\"7\"}</body></html>");
  const std::string address = server.url("/item.htm?id=10001");
  add(address, "单品");
  ASSERT_EQ(state.itemList.rowCount(), 1);
  const ItemRow row = state.itemList.row(0);
  EXPECT_EQ(row.name, "夏装 连衣裙 ");  // untrimmed, as the page gives it
  EXPECT_EQ(row.price, "");
  EXPECT_EQ(row.address, address);
  EXPECT_EQ(row.id, "10001");
  EXPECT_EQ(state.log.allText(), "");
  EXPECT_EQ(server.lastRequest().target, "/item.htm?id=10001");
}

TEST_F(AddFromAddress, SingleItemNotRecognised) {
  struct Case {
    const char* what;
    std::string page;
  } cases[] = {
      {"no id", "<title>t</title>"},
      {"id without quote and comma after it", "itemId:\"1\"}<title>t</title>"},
      {"no title", "itemId:\"1\","},
      {"blank title", "itemId:\"1\",<title>  </title>"},
      {"blank id", "itemId:\" \",<title>t</title>"},
      {"empty page", ""},
  };
  for (const auto& c : cases) {
    server.serve("/item.htm", c.page);
    state.log.takePending();
    add(server.url("/item.htm?id=1"), "单品");
    EXPECT_EQ(state.log.takePending(), line(kNoItem)) << c.what;
  }
  EXPECT_EQ(state.itemList.rowCount(), 0);
}

TEST_F(AddFromAddress, PlaceholderIsTakenAsAnAddress) {
  add("请输入宝贝地址", "单品");
  EXPECT_EQ(state.log.allText(), line(kNoItem));
  EXPECT_EQ(state.itemList.rowCount(), 0);
}

TEST_F(AddFromAddress, ShopHostsOfItemPagesAreRejected) {
  struct Case {
    const char* what;
    std::string itemHost, mallHost, address;
  } cases[] = {
      {"item-page host", server.hostPort(), "mall.example", server.url("/")},
      {"mall item-page host", "item.example", server.hostPort(), server.url("/shop.htm")},
      {"no http://", "item.example", "mall.example", server.hostPort() + "/"},
      {"no / after the host", "item.example", "mall.example", server.url("")},
  };
  for (const auto& c : cases) {
    state.endpoints.itemPageHost = c.itemHost;
    state.endpoints.mallItemPageHost = c.mallHost;
    state.log.takePending();
    EXPECT_FALSE(add(c.address, "店铺")) << c.what;
    EXPECT_EQ(state.log.takePending(), line(kBadShop)) << c.what;
  }
  EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(AddFromAddress, ShopHostMerelyContainingTheItemHostIsAccepted) {
  // "127.0.0.1:port" holds "27.0.0.1:port" with one more character in front.
  state.endpoints.itemPageHost = server.hostPort().substr(1);
  serveListing(listingpages::page("", 1, 1, 1));
  EXPECT_TRUE(add(server.url("/index.htm"), "店铺"));
  EXPECT_EQ(server.requests().front().target, "/search.htm?search=y");
  EXPECT_EQ(state.crawlShopHost, server.hostPort());
}

TEST_F(AddFromAddress, ShopSearchPageStartsTheCrawl) {
  serveListing(listingpages::page("", 45, 1, 3));
  EXPECT_TRUE(add(server.url("/"), "店铺"));
  const std::string log = state.log.allText();
  const std::string head = line("  共搜索到：45 个商品") + line("  宝贝页码从第 1 页到第  3  页下载，总页码数是 3 页！");
  EXPECT_EQ(log.substr(0, head.size()), head);
  EXPECT_EQ(state.crawlPageCount.load(), 3);
  EXPECT_EQ(state.crawlNextPage.load(), 3);
  EXPECT_EQ(state.itemList.rowCount(), 3);
}

TEST_F(AddFromAddress, PageCountTexts) {
  struct Case {
    const char* what;
    std::string page;
    int pages;  // 0: no crawl
  } cases[] = {
      {"1/1", "<span class=\"page-info\">1/1</span>", 1},
      {"text without /", "<span class=\"page-info\">3</span>", 0},
      {"0 pages", "<span class=\"page-info\">1/0</span>", 0},
      {"last / counts", "<span class=\"page-info\">1/2/4</span>", 4},
      {"second pager form", "<b class=\"ui-page-s-len\">2/7</b>", 7},
      {"first pager form preferred", "<span class=\"page-info\">1/2</span><b class=\"ui-page-s-len\">1/9</b>", 2},
      {"no pager", "<p>nothing</p>", 0},
  };
  for (const auto& c : cases) {
    serveListing(c.page);
    state.log.takePending();
    server.clearRequests();
    EXPECT_EQ(add(server.url("/"), "店铺"), c.pages > 0) << c.what;
    const std::string log = state.log.takePending();
    if (c.pages == 0) {
      EXPECT_EQ(log, line("  共搜索到： 个商品") + line(kNoPages)) << c.what;
      EXPECT_TRUE(listingTargets().empty()) << c.what;
    } else {
      EXPECT_NE(log.find("  宝贝页码从第 1 页到第  " + std::to_string(c.pages) + "  页下载"), std::string::npos) << c.what;
      EXPECT_EQ(listingTargets().size(), size_t(c.pages)) << c.what;
    }
  }
}

TEST_F(AddFromAddress, EmptySearchPageIsReportedAndTheStepsGoOn) {
  server.serve("/search.htm", "");
  EXPECT_FALSE(add(server.url("/"), "店铺"));
  EXPECT_EQ(state.log.allText(), line(kBadShop) + line("  共搜索到： 个商品") + line(kNoPages));
}

TEST_F(AddFromAddress, CategoryIdFromTheAddress) {
  serveListing(listingpages::page("", 2, 1, 1));
  const std::string base = server.url("/search.htm?search=y");
  struct Case {
    const char* what;
    std::string address;
    int kind;
    std::string id;  // empty: rejected
  } cases[] = {
      {"scid between &", base + "&scid=42&orderType=x", 1, "42"},
      {"scid last", base + "&scid=42", 1, ""},
      {"scid right after ?", server.url("/search.htm?scid=42&x=1"), 1, ""},
      {"scid and catId: catId wins", base + "&scid=42&catId=77&x=1", 2, "77"},
      {"catId, then scid: catId still wins", base + "&catId=77&scid=42&x=1", 2, "77"},
      {"category- up to the dot", server.url("/category-99.htm?search=y"), 2, "99"},
      {"SCID in capitals is no scid", base + "&SCID=42&", 0, ""},
  };
  for (const auto& c : cases) {
    state.log.takePending();
    server.clearRequests();
    const bool started = add(c.address, "列表");
    EXPECT_EQ(state.crawlCategoryKind.load(), c.kind) << c.what;
    EXPECT_EQ(state.crawlCategoryId, c.id) << c.what;
    if (c.id.empty()) {
      EXPECT_FALSE(started) << c.what;
      EXPECT_EQ(state.log.takePending(), line(kBadCategory)) << c.what;
      EXPECT_EQ(server.requestCount(), 0u) << c.what;
      continue;
    }
    ASSERT_TRUE(started) << c.what;
    const auto targets = listingTargets();
    ASSERT_EQ(targets.size(), 1u) << c.what;
    const std::string parameter = c.kind == 1 ? "scid=" : "catId=";
    EXPECT_EQ(targets[0], "/search.htm?&search=y&" + parameter + c.id + "&viewType=grid&orderType=_hotsell&pageNum=1")
        << c.what;
    EXPECT_EQ(state.crawlShopHost, server.hostPort()) << c.what;
  }
}

TEST_F(AddFromAddress, EmptyCategoryPageIsReportedAndTheStepsGoOn) {
  server.serve("/list.htm", "");
  EXPECT_FALSE(add(server.url("/list.htm?a=1&scid=5&b=2"), "列表"));
  EXPECT_EQ(state.log.allText(), line(kEmptyCategoryPage) + line("  共搜索到： 个商品") + line(kNoPages));
  EXPECT_EQ(state.crawlShopHost, server.hostPort());
}

}  // namespace
