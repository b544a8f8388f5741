#include <gtest/gtest.h>

#include <atomic>

#include "discovery/collect_session.h"
#include "discovery/discovery_fixture.h"
#include "discovery/listing_pages.h"

namespace {

class Session : public DiscoveryTest {
 protected:
  std::atomic<int> idles{0};
  CollectSession session{state, [this] { ++idles; }};
};

TEST_F(Session, OneAddressAtATime) {
  loopback::Reply slow = loopback::Reply::text("itemId:\"10001\",<title>t</title>");
  slow.delayMs = 400;
  server.serve("/item.htm", slow);
  EXPECT_TRUE(session.begin(server.url("/item.htm?id=10001"), "单品"));
  EXPECT_TRUE(session.busy());
  // A second click while the first is under way changes nothing.
  EXPECT_FALSE(session.begin(server.url("/item.htm?id=10002"), "单品"));
  session.wait();
  EXPECT_FALSE(session.busy());
  EXPECT_EQ(idles.load(), 1);
  EXPECT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(state.itemList.rowCount(), 1);

  // Busy again until the crawl it starts has ended.
  server.setHandler([](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
    auto n = r.queryParam("pageNum");
    loopback::Reply reply = loopback::Reply::text(
        listingpages::page(listingpages::storefront(listingpages::numbered(n ? 100 * std::stoi(*n) : 0, 2)), 4, 1, 2));
    if (n) reply.delayMs = 200;
    return reply;
  });
  setMode("店铺");
  EXPECT_TRUE(session.begin(server.url("/"), "店铺"));
  ASSERT_TRUE(server.waitForRequests(2, 10000));
  EXPECT_TRUE(session.busy());
  EXPECT_FALSE(session.begin(server.url("/"), "店铺"));
  session.wait();
  EXPECT_EQ(idles.load(), 2);
  EXPECT_EQ(state.itemList.rowCount(), 5);
  EXPECT_EQ(server.requestCount(), 4u);
}

TEST_F(Session, BlankAddressAndShutDownSessionRefuse) {
  EXPECT_FALSE(session.begin("  ", "单品"));
  EXPECT_FALSE(session.busy());
  session.shutdown();
  EXPECT_FALSE(session.begin(server.url("/item.htm"), "单品"));
  EXPECT_EQ(idles.load(), 0);
  EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(Session, ShutdownStopsARunningCrawl) {
  server.setHandler([](const loopback::RecordedRequest& r) -> std::optional<loopback::Reply> {
    auto n = r.queryParam("pageNum");
    loopback::Reply reply = loopback::Reply::text(listingpages::page("", 0, 1, 40));
    if (n) reply.delayMs = 300;
    return reply;
  });
  setMode("店铺");
  ASSERT_TRUE(session.begin(server.url("/"), "店铺"));
  ASSERT_TRUE(server.waitForRequests(2, 10000));
  session.shutdown();
  // Only the pages under way when it stopped were read.
  EXPECT_LE(server.requestCount(), 11u);
  EXPECT_FALSE(session.busy());
}

}  // namespace
