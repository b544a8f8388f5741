#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cctype>

#include "discovery/listing_crawler.h"
#include "discovery/listing_pages.h"

namespace {

struct Com {
  Com() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~Com() { CoUninitialize(); }
};

class ListingMatch : public ::testing::Test {
 protected:
  Com com;
  ListingMatcher matcher;
};

using listingpages::Item;

void expectItems(const std::vector<ListingItem>& got, const std::vector<Item>& want, const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].id, want[i].id) << what << " #" << i;
    EXPECT_EQ(got[i].title, want[i].title) << what << " #" << i;
    EXPECT_EQ(got[i].price, want[i].price) << what << " #" << i;
  }
}

TEST_F(ListingMatch, EachStyleFromAPageOfItsOwn) {
  const std::vector<Item> items = {{"1001", "夏装新款 雪纺连衣裙", "128.00"}, {"1002", "纯棉T恤", "39.90"}};
  struct Case {
    const char* what;
    std::string page;
    const char* style;
  } cases[] = {
      {"ordinary", listingpages::ordinary(items), "普通"},
      {"storefront", listingpages::storefront(items), "旺铺"},
      {"street", listingpages::street(items), "店铺街"},
      {"storefront with attributes before href", listingpages::storefrontAttributed(items), "旺铺"},
  };
  for (const auto& c : cases) {
    expectItems(matcher.match(c.page), items, c.what);
    EXPECT_EQ(matcher.style(), c.style) << c.what;
  }
  // Letter case is ignored in the markup, as the expressions ignore it.
  std::string upper = listingpages::street(items);
  for (const char* tag : {"<a title=", "href=", "target=", "<strong>", "</strong>"}) {
    std::string big = tag;
    for (char& ch : big) ch = char(toupper((unsigned char)ch));
    for (size_t at; (at = upper.find(tag)) != std::string::npos;) upper.replace(at, big.size(), big);
  }
  expectItems(matcher.match(upper), items, "street in capitals");
  EXPECT_EQ(matcher.style(), "店铺街");
  // An earlier style's markup that does not make an item does not stop the search.
  expectItems(matcher.match("<a class=\"item-name\" href=\"x\">no id</a>\n" + listingpages::street(items)), items,
              "broken storefront link before street items");
  EXPECT_EQ(matcher.style(), "店铺街");
  // Nothing matches: the last style tried stays.
  EXPECT_TRUE(matcher.match("<html>nothing listed</html>").empty());
  EXPECT_EQ(matcher.style(), "旺铺");
}

TEST_F(ListingMatch, FirstStyleInOrderWins) {
  const std::vector<Item> a = {{"1", "a", "1.00"}};
  const std::vector<Item> b = {{"2", "b", "2.00"}, {"3", "c", "3.00"}};
  expectItems(matcher.match(listingpages::street(b) + listingpages::ordinary(a)), a, "ordinary before street");
  EXPECT_EQ(matcher.style(), "普通");
  expectItems(matcher.match(listingpages::street(a) + listingpages::storefront(b)), b, "storefront before street");
  EXPECT_EQ(matcher.style(), "旺铺");
}

TEST_F(ListingMatch, OrdinaryIdComesFromTheLinkQuery) {
  struct Case {
    std::string link, id;  // empty id: the item is skipped
  } cases[] = {
      {"http://h/item.htm?id=123&src=s", "123"},
      {"http://h/item.htm?ID=55&x=1", "55"},
      {"http://h/item.htm?spm=1&id=77&", "77"},
      {"http://h/item.htm?id=123", ""},
      {"http://h/item.htm?id=&x=1", ""},
      {"http://h/item.htm?x=1&y=2", ""},
  };
  for (const auto& c : cases) {
    const auto got = matcher.match(listingpages::ordinaryWithLinks({c.link}));
    if (c.id.empty()) {
      EXPECT_TRUE(got.empty()) << c.link;
    } else {
      ASSERT_EQ(got.size(), 1u) << c.link;
      EXPECT_EQ(got[0].id, c.id) << c.link;
    }
  }
}

TEST_F(ListingMatch, StorefrontIdKeepsLaterParameters) {
  const auto got = matcher.match(
      "<a class=\"item-name\" href=\"http://h/item.htm?spm=a&id=2002&rn=9f\" target=\"_blank\">包</a>");
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].id, "2002&rn=9f");
}

TEST_F(ListingMatch, PricesPairByMatchNumber) {
  std::vector<Item> items;
  for (int i = 1; i <= 20; ++i) items.push_back({std::to_string(5000 + i), "item " + std::to_string(i), std::to_string(i) + ".00"});
  std::string page = listingpages::storefront(items);
  // Drop the last price element: 20 items, 19 prices.
  const std::string lastPrice = "<span class=\"c-price\">20.00</span>";
  page.erase(page.find(lastPrice), lastPrice.size());
  const auto got = matcher.match(page);
  ASSERT_EQ(got.size(), 20u);
  EXPECT_EQ(got[0].price, "1.00");
  EXPECT_EQ(got[18].price, "19.00");
  EXPECT_EQ(got[19].price, "");
  EXPECT_EQ(got[19].id, "5020");
}

TEST_F(ListingMatch, ReusedMatcherForgetsTheEarlierPage) {
  std::vector<Item> many, one = {{"9", "x", "9.00"}};
  for (int i = 0; i < 5; ++i) many.push_back({std::to_string(100 + i), "m", "1.00"});
  EXPECT_EQ(matcher.match(listingpages::ordinary(many)).size(), 5u);
  expectItems(matcher.match(listingpages::street(one)), one, "second page");
  EXPECT_TRUE(matcher.match("").empty());
}

TEST(CutLargePage, KeepsTheItemRegionOfLargePagesOnly) {
  const std::string pad(kLargeListingPage, 'x');
  struct Case {
    const char* what;
    std::string in, out;
  } cases[] = {
      {"small page stays whole", "a下一页b", "a下一页b"},
      {"exactly at the limit stays whole", pad, pad},
      {"large page without 到第 is emptied", pad + "下一页 items", ""},
      {"large page cut between the markers", pad + "下一页 items 到第 2 页 tail", "下一页 items "},
      {"no 下一页: from the start", "items 到第" + pad, "items "},
      {"first 到第 after 下一页", "到第" + pad + "下一页 a 到第 b 到第", "下一页 a "},
  };
  for (const auto& c : cases) EXPECT_EQ(cutLargePage(c.in), c.out) << c.what;
}

TEST(ListingPageAddress, ShopAndBothCategoryKinds) {
  struct Case {
    std::string mode;
    int kind, page;
    std::string expected;
  } cases[] = {
      {"店铺", 0, 3, "http://shop.h/search.htm?&pageNum=3"},
      {"列表", 1, 1, "http://shop.h/search.htm?&search=y&scid=42&viewType=grid&orderType=_hotsell&pageNum=1"},
      {"列表", 2, 12, "http://shop.h/search.htm?&search=y&catId=42&viewType=grid&orderType=_hotsell&pageNum=12"},
      {"单品", 0, 1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(listingPageAddress(c.mode, "shop.h", "42", c.kind, c.page), c.expected);
}

}  // namespace
