// The expressions the crawler and the description pictures rely on, applied
// to small pages in the shapes the marketplace serves.
#include <gtest/gtest.h>

#include <vector>

#include "regex/com_apartment.h"
#include "util/regex.h"

namespace {

class ListingPatterns : public ::testing::Test {
 protected:
  ComApartment com;
};

const char* const kPlainItem = "<a target=\"_blank\" href=\"(.*?)\" class=\"permalink\" style=\"\">\n(.*?)\n\\s*</a>";
const char* const kPlainPrice = "&yen;</s><strong>(.*?)</strong>\n";
const char* const kShopItem = "<a class=\"item-name\" href=\".*?id=(.*?)\" target=\"_blank\">(.*?)</a>";
const char* const kShopPrice = "<span class=\"c-price\">(.*?)</span>";
const char* const kStreetItem = "<a title=\"(.*?)\"  href=\".*?id=(.*?)\" target=\"_blank\">";
const char* const kStreetPrice = "<strong>(.*?) 元</strong>";
const char* const kShopItem2 = "<a class=\"item-name\" .*? href=\".*?id=(.*?)\" target=\"_blank\">(.*?)</a>";

const char* const kPlainPage =
    "<ul class=\"shop-list\">\n"
    "<li class=\"item\">\n"
    "<div class=\"pic\"><a target=\"_blank\" href=\"http://item.example/item.htm?id=1001&amp;src=s\"><img "
    "src=\"http://img.example/1.jpg\"></a></div>\n"
    "<h3 class=\"desc\"><a target=\"_blank\" href=\"http://item.example/item.htm?id=1001&src=s\" "
    "class=\"permalink\" style=\"\">\n"
    "夏装新款 雪纺连衣裙\n"
    "          </a></h3>\n"
    "<div class=\"price\"><s>&yen;</s><strong>128.00</strong>\n"
    "</div></li>\n"
    "<li class=\"item\">\n"
    "<h3 class=\"desc\"><A TARGET=\"_blank\" HREF=\"http://item.example/item.htm?id=1002\" "
    "class=\"permalink\" style=\"\">\n"
    "纯棉T恤\n"
    "</A></h3>\n"
    "<div class=\"price\"><s>&yen;</s><strong>39.90</strong>\n"
    "</div></li>\n"
    "</ul>\n";

const char* const kShopPage =
    "<div class=\"item3line1\">\n"
    "<dl class=\"item\"><dd class=\"detail\"><a class=\"item-name\" href=\"http://item.example/item.htm?id=2001\" "
    "target=\"_blank\">真皮男士钱包 短款</a>\n"
    "<div class=\"attribute\"><span class=\"c-price\">88.00 </span></div></dd></dl>\n"
    "<dl class=\"item\"><dd class=\"detail\"><a class=\"item-name\" "
    "href=\"http://item.example/item.htm?spm=a1z10&id=2002&rn=9f\" target=\"_blank\">女士手拿包</a>\n"
    "<div class=\"attribute\"><span class=\"c-price\">156.00 </span></div></dd></dl>\n"
    "</div>\n";

const char* const kStreetPage =
    "<ul class=\"list-view\">\n"
    "<li><a title=\"儿童积木玩具 100粒\"  href=\"http://item.example/item.htm?id=3001\" target=\"_blank\"><img "
    "src=\"http://img.example/3001.jpg\"></a>\n"
    "<p class=\"price\"><strong>45.00 元</strong></p></li>\n"
    "<li><a title=\"遥控汽车\"  href=\"http://item.example/item.htm?id=3002\" target=\"_blank\"><img "
    "src=\"http://img.example/3002.jpg\"></a>\n"
    "<p class=\"price\"><strong>199.00 元</strong></p></li>\n"
    "</ul>\n";

const char* const kShopPage2 =
    "<div class=\"shop-hesper-bd grid\">\n"
    "<dl class=\"item\"><dd class=\"detail\"><a class=\"item-name\" data-spm-anchor-id=\"a1z10.3\" "
    "href=\"http://item.example/item.htm?id=4001\" target=\"_blank\">不锈钢保温杯 500ml</a>\n"
    "<div class=\"cprice-area\"><span class=\"c-price\">59.00 </span></div></dd></dl>\n"
    "</div>\n";

struct Row {
  std::string first, second, price;
};

std::vector<Row> crawl(RegexMatcher& item, RegexMatcher& price, const char* itemPattern, const char* pricePattern,
                       const std::string& page) {
  EXPECT_TRUE(item.compile(itemPattern));
  EXPECT_TRUE(price.compile(pricePattern));
  item.execute(page);
  price.execute(page);
  std::vector<Row> rows;
  for (int i = 1; i <= item.matchCount(); ++i)
    rows.push_back({item.subMatchText(i, 1), item.subMatchText(i, 2), price.subMatchText(i, 1)});
  return rows;
}

TEST_F(ListingPatterns, EachStyleReadsItsOwnPage) {
  struct Case {
    const char* name;
    const char* itemPattern;
    const char* pricePattern;
    const char* page;
    std::vector<Row> expected;
  } cases[] = {
      {"plain", kPlainItem, kPlainPrice, kPlainPage,
       {{"http://item.example/item.htm?id=1001&src=s", "夏装新款 雪纺连衣裙", "128.00"},
        {"http://item.example/item.htm?id=1002", "纯棉T恤", "39.90"}}},
      {"shop", kShopItem, kShopPrice, kShopPage,
       {{"2001", "真皮男士钱包 短款", "88.00 "}, {"2002&rn=9f", "女士手拿包", "156.00 "}}},
      {"street", kStreetItem, kStreetPrice, kStreetPage,
       {{"儿童积木玩具 100粒", "3001", "45.00"}, {"遥控汽车", "3002", "199.00"}}},
      {"shop, second variant", kShopItem2, kShopPrice, kShopPage2, {{"4001", "不锈钢保温杯 500ml", "59.00 "}}},
  };
  RegexMatcher item, price;
  for (const auto& c : cases) {
    const auto rows = crawl(item, price, c.itemPattern, c.pricePattern, c.page);
    ASSERT_EQ(rows.size(), c.expected.size()) << c.name;
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].first, c.expected[i].first) << c.name << " row " << i + 1;
      EXPECT_EQ(rows[i].second, c.expected[i].second) << c.name << " row " << i + 1;
      EXPECT_EQ(rows[i].price, c.expected[i].price) << c.name << " row " << i + 1;
    }
  }
}

// Style detection tries the styles in turn while the item expression finds
// nothing, so an expression must not pick items off another style's page.
TEST_F(ListingPatterns, ItemExpressionsDoNotMatchOtherStyles) {
  struct Case {
    const char* pattern;
    const char* page;
  } cases[] = {
      {kPlainItem, kShopPage}, {kPlainItem, kStreetPage}, {kPlainItem, kShopPage2},
      {kShopItem, kPlainPage}, {kShopItem, kStreetPage},  {kShopItem, kShopPage2},
      {kStreetItem, kPlainPage}, {kStreetItem, kShopPage}, {kStreetItem, kShopPage2},
  };
  RegexMatcher m;
  for (const auto& c : cases) {
    ASSERT_TRUE(m.compile(c.pattern));
    EXPECT_EQ(m.execute(c.page), 0) << c.pattern;
  }
}

TEST_F(ListingPatterns, PictureTagsAndBackgroundsInADescription) {
  const std::string desc =
      "<p><img align=\"absmiddle\" src=\"http://img01.example.com/imgextra/i1/77/T1abc.jpg\"><IMG "
      "SRC=\"http://img02.example.com/bao/图片.jpg?a=1&amp;b=2\" /></p>\n"
      "<table background=\"\"http://img03.example.com/bg/底纹.gif\"\" width=\"750\"><tr><td>说明</td></tr></table>\n"
      "<img src=\"/local/no-scheme.png\">\n";
  RegexMatcher m;
  ASSERT_TRUE(m.compile("<IMG .*?\"http://(.*?)\".*?>"));
  ASSERT_EQ(m.execute(desc), 2);
  EXPECT_EQ(m.subMatchText(1, 1), "img01.example.com/imgextra/i1/77/T1abc.jpg");
  EXPECT_EQ(m.subMatchText(2, 1), "img02.example.com/bao/图片.jpg?a=1&amp;b=2");

  ASSERT_TRUE(m.compile("background=\"\"http://(.*?)\"\""));
  ASSERT_EQ(m.execute(desc), 1);
  EXPECT_EQ(m.subMatchText(1, 1), "img03.example.com/bg/底纹.gif");

  RegexMatcher chars;
  ASSERT_TRUE(chars.compile("([\\u4e00-\\u9fa5])"));
  EXPECT_EQ(chars.execute("img02.example.com/bao/图片.jpg?a=1&amp;b=2"), 2);
  EXPECT_EQ(chars.subMatchText(1, 1) + chars.subMatchText(2, 1), "图片");
}

}  // namespace
