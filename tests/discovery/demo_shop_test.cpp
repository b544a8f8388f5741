// The demo marketplace's shop, as a seller trying the program collects it.
#include <gtest/gtest.h>

#include <set>

#include "discovery/address_recognition.h"
#include "discovery/discovery_fixture.h"
#include "discovery/listing_crawler.h"
#include "site_rules.h"
#include "util/file_io.h"
#include "util/text.h"

namespace {

// The site folders are copied beside the test program when it is built.
void serveFolder(loopback::LoopbackServer& server, const std::string& folder) {
  server.setHandler([folder](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
    for (const std::string& file : demo::candidateFiles(r.target))
      if (auto bytes = fileio::readWholeFile("demo_site\\" + folder + "\\" + text::replaceAll(file, "/", "\\")))
        return loopback::Reply::text(std::move(*bytes), demo::contentTypeFor(file));
    return std::nullopt;
  });
}

class DemoShop : public DiscoveryTest {
 protected:
  DemoShop() {
    serveFolder(server, "shop");
    serveFolder(items, "item");
  }
  void collect(const std::string& pathAndQuery, const std::string& mode) {
    setMode(mode);
    addFromAddress(state, crawl, server.url(pathAndQuery), mode);
    crawl.join();
  }
  std::set<int> ids() const {
    std::set<int> out;
    for (const auto& row : state.itemList.snapshot()) {
      EXPECT_FALSE(row.price.empty()) << row.id;
      EXPECT_FALSE(row.name.empty()) << row.id;
      out.insert(std::stoi(row.id));
    }
    return out;
  }
  static std::set<int> range(int first, int last) {
    std::set<int> out;
    for (int i = first; i <= last; ++i) out.insert(i);
    return out;
  }

  loopback::LoopbackServer items;
  ListingCrawl crawl{state};
};

TEST_F(DemoShop, WholeShopInAllThreeStyles) {
  collect("/", "店铺");
  EXPECT_EQ(state.itemList.rowCount(), 40);
  EXPECT_EQ(ids(), range(10001, 10040));
  const std::string log = state.log.allText();
  EXPECT_NE(log.find("  共搜索到：40 个商品\r\n"), std::string::npos);
  EXPECT_NE(log.find("  宝贝下载完成 【共提取了：  40  个宝贝】\r\n"), std::string::npos);
}

TEST_F(DemoShop, Categories) {
  struct Case {
    std::string address;
    std::set<int> ids;
  } cases[] = {
      {"/search.htm?search=y&scid=501&orderType=hotsell", []{ auto s = range(10001, 10004); auto t = range(10011, 10016); s.insert(t.begin(), t.end()); return s; }()},
      {"/category-502.htm?search=y", range(10007, 10012)},
  };
  for (const auto& c : cases) {
    state.itemList.clear();
    collect(c.address, "列表");
    EXPECT_EQ(ids(), c.ids) << c.address;
  }
}

TEST_F(DemoShop, ItemPagesOfListedItems) {
  for (int id : {10001, 10040}) {
    setMode("单品");
    addFromAddress(state, crawl, items.url("/item.htm?id=" + std::to_string(id)), "单品");
  }
  ASSERT_EQ(state.itemList.rowCount(), 2);
  EXPECT_EQ(state.itemList.cellText(0, 3), "10001");
  EXPECT_EQ(state.itemList.cellText(0, 0), "夏装新款 雪纺连衣裙-淘宝网");
  EXPECT_EQ(state.itemList.cellText(1, 3), "10040");
}

}  // namespace
