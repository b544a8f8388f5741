// "添加到列表" on the real main window.
#include <gtest/gtest.h>

#include "app/page_switch.h"
#include "discovery/listing_pages.h"
#include "shell_fixture.h"
#include "support/loopback_server.h"

namespace {

using shelltest::pumpUntil;

class AddButton : public shelltest::ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    state->endpoints.itemPageHost = "item.example";
    state->endpoints.mallItemPageHost = "mall.example";
    makeWindow();
  }
  void enter(int navigationButton, const std::string& address) {
    switchPage(*window, navigationButton);
    window->setControlText(kAddressBox, address);
  }
  void click() { SendMessageW(control(kAddButton), BM_CLICK, 0, 0); }
  bool enabled() { return IsWindowEnabled(control(kAddButton)) != FALSE; }
  // A shop of `pages` pages with two items each, every listing page `delayMs` late.
  void serveShop(int pages, unsigned delayMs) {
    server.setHandler([=](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
      auto n = r.queryParam("pageNum");
      int page = n ? std::stoi(*n) : 0;
      loopback::Reply reply = loopback::Reply::text(listingpages::page(
          page ? listingpages::storefront(listingpages::numbered(100 * page, 2)) : "", 2 * pages, 1, pages));
      if (page) reply.delayMs = delayMs;
      return reply;
    });
  }

  loopback::LoopbackServer server;
};

TEST_F(AddButton, SingleItemFillsTheListAndTheCount) {
  server.serve("/item.htm", "itemId:\"10001\",<title>连衣裙</title>");
  enter(2, server.url("/item.htm?id=10001"));
  click();
  ASSERT_TRUE(pumpUntil([&] { return enabled() && text(kCountLabel) == "1"; }, 10000));
  EXPECT_EQ(state->itemList.cellText(0, 0), "连衣裙");
  EXPECT_EQ(state->itemList.cellText(0, 3), "10001");
}

TEST_F(AddButton, DisabledWhileTheCrawlRuns) {
  serveShop(3, 200);
  enter(4, server.url("/"));
  click();
  EXPECT_FALSE(enabled());
  ASSERT_TRUE(pumpUntil([&] { return server.requestCount() >= 2; }, 10000));
  EXPECT_FALSE(enabled());
  ASSERT_TRUE(pumpUntil([&] { return enabled(); }, 20000));
  EXPECT_EQ(state->itemList.rowCount(), 6);
  ASSERT_TRUE(pumpUntil([&] { return text(kCountLabel) == "6"; }));
  EXPECT_NE(text(kLogBox).find("宝贝下载完成 【共提取了：  6  个宝贝】"), std::string::npos);

  // A blank address leaves the button as it is.
  window->setControlText(kAddressBox, "   ");
  click();
  EXPECT_TRUE(enabled());
}

TEST_F(AddButton, ClosingTheWindowStopsTheCrawl) {
  serveShop(40, 300);
  enter(4, server.url("/"));
  click();
  ASSERT_TRUE(pumpUntil([&] { return server.requestCount() >= 2; }, 10000));
  window.reset();
  EXPECT_LE(server.requestCount(), 11u);
}

}  // namespace
