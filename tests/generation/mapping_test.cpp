#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "generation/item_mapping.h"
#include "generation/worker_context.h"
#include "util/time_stamps.h"
#include "util/xml_document.h"

namespace {

struct TextCase {
  std::string in, out;
};

TEST(CleanTitle, ReplacesReferencesAndFolderBreakingCharacters) {
  const std::vector<TextCase> cases = {
      {"A&amp;B 3.5寸*2|<新>?", "A B 3 5寸 2  新  "},
      {"x&amp;amp;y", "x y"},       // "&amp;" first, then the left-over "amp;"
      {"amp;z", "z"},
      {"it&apos;s", "it's"},
      {"  keep  ", "  keep  "},     // nothing is trimmed
      {"", ""},
      {"品牌|*|款", "品牌   款"},
  };
  for (const auto& c : cases) EXPECT_EQ(cleanTitle(c.in), c.out) << c.in;
}

TEST(CleanTitle, LeavesDoubleByteCharactersWhoseSecondByteLooksLikeABar) {
  // "亅" is 81 7C in GBK: its second byte is "|" but it is one character.
  const std::string t = "\x81\x7C|";
  EXPECT_EQ(cleanTitle(t), "\x81\x7C ");
}

TEST(CleanDescription, RepairsReferencesAndKeepsEveryQuoteDoubled) {
  const std::vector<TextCase> cases = {
      {"a,b&quot;x&lt;br&gt;\r\nd", "a，b\"\"x<br>d"},
      {"1&amp;nbsp;2", "1 2"},
      {"&amp;&apos;", "&amp;&apos;"},              // other references stay
      {"line\nbreak\r", "line\nbreak\r"},          // only CR LF pairs go
      {"<img src=\"http://a/b.jpg\">", "<img src=\"\"http://a/b.jpg\"\">"},  // a CDATA description
      {"background=&quot;http://p/q.gif&quot;", "background=\"\"http://p/q.gif\"\""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(cleanDescription(c.in), c.out) << c.in;
}

TEST(Codes, FreightStatusWarrantyAndClosingSemicolon) {
  struct Freight {
    std::string in;
    bool layout4;
    std::string out;
  };
  for (const auto& c : std::vector<Freight>{{"seller", true, "2"}, {"seller", false, "1"}, {"buyer", true, "1"},
                                            {"buyer", false, "2"}, {"", true, "0"}, {"", false, "0"},
                                            {"Seller", true, "Seller"}, {"other", false, "other"}})
    EXPECT_EQ(freightCode(c.in, c.layout4), c.out) << c.in << c.layout4;
  for (const auto& c : std::vector<TextCase>{{"", "100"}, {"onsale", "200"}, {"instock", "instock"}})
    EXPECT_EQ(statusCode(c.in), c.out) << c.in;
  for (const auto& c : std::vector<TextCase>{{"true", "1"}, {"false", "0"}, {"", "0"}, {"TRUE", "0"}})
    EXPECT_EQ(warrantyCode(c.in), c.out) << c.in;
  for (const auto& c : std::vector<TextCase>{{"1:2;3:4", "1:2;3:4;"}, {"1:2;", "1:2;;"}, {"", ";"}, {";", ";"},
                                             {";a", ";a"}, {"a", "a;"}})
    EXPECT_EQ(closeProperties(c.in), c.out) << c.in;
}

TEST(AdjustedPrice, UsesLeadingNumbersAndG13) {
  for (const auto& c : std::vector<std::vector<std::string>>{{"10", "120", "12"},
                                                             {"19.9", "110", "21.89"},
                                                             {"10", "abc", "0"},
                                                             {"x", "100", "0"},
                                                             {"15", "100", "15"},
                                                             {"0.1", "33.3", "0.0333"}})
    EXPECT_EQ(adjustedPrice(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

// mapItem against answers loaded into a real document.
class MapItem : public ::testing::Test {
 protected:
  void SetUp() override {
    timestamps::setClockSource([] { return timestamps::ClockSnapshot{2013, 7, 3, 31, 8, 5, 9, 0}; });
    context.lastItemNumber = 2;
    context.runTotal = 7;
  }
  void TearDown() override { timestamps::setClockSource({}); }

  void map(const std::string& itemXml) {
    const std::string answer =
        "<?xml version=\"1.0\" encoding=\"gb2312\"?><item_get_response><item>" + itemXml + "</item></item_get_response>";
    context.document->loadBytes(answer, false, false);
    mapItem(context);
  }
  void options(bool adjust, std::string percent, bool uniform, std::string stock, bool layout4 = true) {
    state.options.update([&](LiveOptions& o) {
      o.adjustPrice = adjust;
      o.pricePercent = percent;
      o.uniformStock = uniform;
      o.stockValue = stock;
      o.layout4Radio = layout4;
    });
  }
  static std::string sku(const std::string& price, const std::string& quantity, const std::string& outer,
                         const std::string& props) {
    return "<sku><price>" + price + "</price><quantity>" + quantity + "</quantity><outer_id>" + outer +
           "</outer_id><properties>" + props + "</properties></sku>";
  }

  AppState state;
  RunControl control;
  WorkerContext context{state, control, 3};
};

TEST_F(MapItem, FillsEveryFieldInTheTable) {
  options(false, "100", false, "100");
  context.item.itemId = "123";
  map("<title>T&amp;1</title><cid>50010</cid><seller_cids>,1,2,</seller_cids>"
      "<location><state>浙江</state><city>杭州</city></location><price>19.90</price><num>7</num>"
      "<valid_thru>14</valid_thru><freight_payer>buyer</freight_payer><ems_fee>3.00</ems_fee>"
      "<express_fee>2.00</express_fee><post_fee>1.00</post_fee><list_time>2013-07-01 10:00:00</list_time>"
      "<props>20000:1;</props><modified>2013-07-02 11:00:00</modified><approve_status>onsale</approve_status>"
      "<has_warranty>true</has_warranty><input_pids>1,2</input_pids><input_str>a,b</input_str>"
      "<outer_id>OX</outer_id><property_alias>1:2:红</property_alias><desc>d&quot;1</desc>");
  const ItemRecord& r = context.item;
  EXPECT_EQ(r.itemId, "123");
  EXPECT_EQ(r.title, "T 1");
  EXPECT_EQ(r.cid, "50010");
  EXPECT_EQ(r.seller_cids, ",1,2,");
  EXPECT_EQ(r.state, "浙江");
  EXPECT_EQ(r.city, "杭州");
  EXPECT_EQ(r.price, "19.90");  // unadjusted prices stay as the answer wrote them
  EXPECT_EQ(r.num, "7");
  EXPECT_EQ(r.valid_thru, "14");
  EXPECT_EQ(r.freight_payer, "1");
  EXPECT_EQ(r.ems_fee, "3.00");
  EXPECT_EQ(r.express_fee, "2.00");
  EXPECT_EQ(r.post_fee, "1.00");
  EXPECT_EQ(r.list_time, "2013-07-01 10:00:00");
  EXPECT_EQ(r.props, "20000:1;;");
  EXPECT_EQ(r.modified, "2013-07-02 11:00:00");
  EXPECT_EQ(r.approve_status, "200");
  EXPECT_EQ(r.has_warranty, "1");
  EXPECT_EQ(r.skuColumn, ";");
  EXPECT_EQ(r.input_pids, "1,2");
  EXPECT_EQ(r.input_str, "a,b");
  EXPECT_EQ(r.outer_id, "OX");
  EXPECT_EQ(r.property_alias, "1:2:红;");
  EXPECT_EQ(r.desc, "d\"\"1");
  EXPECT_EQ(state.log.allText(),
            "2013年7月31日8时5分9秒线程：3  获取成功 第：2/7 个宝贝   基本信息！\r\n"
            "2013年7月31日8时5分9秒线程：3  开始获取 第：2/7  个宝贝   描述信息！\r\n"
            "2013年7月31日8时5分9秒线程：3  成功获取 第：2/7  个宝贝   描述信息！\r\n");
}

TEST_F(MapItem, EdgeCasesOfTheAdjustments) {
  struct Case {
    const char* what;
    bool adjust;
    std::string percent;
    bool uniform;
    std::string stock;
    bool layout4;
    std::string itemXml;
    std::string price, num, skuColumn, freight;
  };
  const std::vector<Case> cases = {
      {"no skus, 120 %", true, "120", false, "", true, "<price>10</price><num>5</num>", "12", "5", ";", "0"},
      {"three skus at 50 %", true, "50", false, "", true,
       "<price>8</price><skus>" + sku("10", "1", "a", "p:1") + sku("20", "2", "b", "p:2") + sku("30", "3", "c", "p:3") +
           "</skus>",
       "4", "", "5:1:a:p:1;10:2:b:p:2;15:3:c:p:3;;", "0"},
      {"uniform stock as text", false, "", true, "abc", false,
       "<num>9</num><freight_payer>seller</freight_payer><skus>" + sku("1.5", "4", "", "x") + sku("2", "6", "o", "y") +
           "</skus>",
       "", "9", "1.5:abc::x;2:abc:o:y;;", "1"},
      {"sku texts trimmed of spaces", false, "", false, "", true,
       "<skus>" + sku(" 7", "1", "", "z ") + "</skus>", "", "", "7:1::z ;;", "0"},
      {"adjustment of a price without a number", true, "150", false, "", false,
       "<price>面议</price><freight_payer>buyer</freight_payer>", "0", "", ";", "2"},
      {"an empty answer", true, "100", true, "1", true, "", "0", "", ";", "0"},
  };
  for (const auto& c : cases) {
    options(c.adjust, c.percent, c.uniform, c.stock, c.layout4);
    map(c.itemXml);
    EXPECT_EQ(context.item.price, c.price) << c.what;
    EXPECT_EQ(context.item.num, c.num) << c.what;
    EXPECT_EQ(context.item.skuColumn, c.skuColumn) << c.what;
    EXPECT_EQ(context.item.freight_payer, c.freight) << c.what;
  }
}

TEST_F(MapItem, NothingOfThePreviousItemSurvives) {
  options(false, "", false, "");
  map("<title>first</title><props>1:1</props><desc>old</desc><approve_status>onsale</approve_status>"
      "<has_warranty>true</has_warranty><property_alias>a</property_alias>");
  map("");  // an error answer: no item element at all
  const ItemRecord& r = context.item;
  EXPECT_EQ(r.title, "");
  EXPECT_EQ(r.props, ";");
  EXPECT_EQ(r.desc, "");
  EXPECT_EQ(r.approve_status, "100");
  EXPECT_EQ(r.has_warranty, "0");
  EXPECT_EQ(r.property_alias, ";");
  EXPECT_EQ(r.skuColumn, ";");
}

TEST_F(MapItem, AStoppedRunWritesNoFurtherLine) {
  options(false, "", false, "");
  control.stop();
  map("<title>x</title>");
  EXPECT_EQ(state.log.allText(), "");
}

}  // namespace
