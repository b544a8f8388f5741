#include <gtest/gtest.h>

#include "util/text.h"
#include "util/xml_document.h"

namespace {

// One escaped paragraph of a description, as the API sends it.
const std::string kDescriptionPart =
    "&lt;p&gt;&lt;img src=&quot;http://127.0.0.1:8612/d/1.jpg?a=1&amp;b=2&quot;&gt;"
    "纯棉面料，透气舒适&amp;nbsp;&lt;/p&gt;\r\n";

std::string description() {
  std::string d;
  for (int i = 0; i < 60; ++i) d += kDescriptionPart;
  return d;
}

// The body of an item answer, after its declaration.
std::string answerBody() {
  return R"(<item_get_response><item>
<approve_status>onsale</approve_status>
<cid>50000671</cid>
<desc>)" + description() + R"(</desc>
<freight_payer>seller</freight_payer>
<has_warranty>true</has_warranty>
<input_pids>20000</input_pids>
<input_str>自有品牌</input_str>
<item_imgs>
  <item_img><id>0</id><position>0</position><url>http://127.0.0.1:8612/i/main0.jpg</url></item_img>
  <item_img><id>1</id><position>1</position><url>http://127.0.0.1:8612/i/main1.jpg</url></item_img>
  <item_img><id>2</id><position>2</position><url>http://127.0.0.1:8612/i/main2.jpg</url></item_img>
</item_imgs>
<list_time>2013-07-31 08:05:09</list_time>
<location><city>杭州</city><state>浙江</state></location>
<modified>2013-08-01 10:00:00</modified>
<num>30</num>
<outer_id>T-100</outer_id>
<post_fee>10.00</post_fee>
<express_fee>15.00</express_fee>
<ems_fee>25.00</ems_fee>
<price>99.00</price>
<prop_imgs>
  <prop_img><id>11</id><properties>1627207:28341</properties><url>http://127.0.0.1:8612/p/black.jpg</url></prop_img>
  <prop_img><id>12</id><properties>1627207:28320</properties><url>http://127.0.0.1:8612/p/white.jpg</url></prop_img>
</prop_imgs>
<property_alias>1627207:28341:深黑</property_alias>
<props>20000:3275069;1627207:28341;1627207:28320</props>
<seller_cids>,123,</seller_cids>
<skus>
  <sku><outer_id>T-100-B</outer_id><price>99.00</price><properties>1627207:28341;20509:28315</properties><quantity>10</quantity><sku_id>1</sku_id></sku>
  <sku><outer_id></outer_id><price>109.00</price><properties>1627207:28341;20509:28316</properties><quantity>5</quantity><sku_id>2</sku_id></sku>
  <sku><outer_id>T-100-W</outer_id><price>119.00</price><properties>1627207:28320;20509:28315</properties><quantity>15</quantity><sku_id>3</sku_id></sku>
</skus>
<title>夏季新款 纯棉T恤 A&amp;B 3.5寸*2|&lt;新&gt;?</title>
<valid_thru>7</valid_thru>
</item></item_get_response>)";
}

std::string gbkAnswer() { return "<?xml version=\"1.0\" encoding=\"gb2312\"?>" + answerBody(); }
std::string utf8Answer() { return "<?xml version=\"1.0\" encoding=\"utf-8\" ?>" + text::gbkToUtf8(answerBody()); }

void expectItemFields(const XmlDocument& doc) {
  const std::string item = "item_get_response/item/";
  struct Field {
    const char* path;
    std::string text;
  } fields[] = {
      {"title", "夏季新款 纯棉T恤 A&amp;B 3.5寸*2|&lt;新&gt;?"},
      {"cid", "50000671"},
      {"seller_cids", ",123,"},
      {"location/state", "浙江"},
      {"location/city", "杭州"},
      {"price", "99.00"},
      {"num", "30"},
      {"valid_thru", "7"},
      {"freight_payer", "seller"},
      {"ems_fee", "25.00"},
      {"express_fee", "15.00"},
      {"post_fee", "10.00"},
      {"list_time", "2013-07-31 08:05:09"},
      {"props", "20000:3275069;1627207:28341;1627207:28320"},
      {"modified", "2013-08-01 10:00:00"},
      {"approve_status", "onsale"},
      {"has_warranty", "true"},
      {"input_pids", "20000"},
      {"input_str", "自有品牌"},
      {"outer_id", "T-100"},
      {"property_alias", "1627207:28341:深黑"},
      {"desc", description()},
      {"skus/@1/price", "99.00"},
      {"skus/@1/quantity", "10"},
      {"skus/@1/outer_id", "T-100-B"},
      {"skus/@1/properties", "1627207:28341;20509:28315"},
      {"skus/@2/outer_id", ""},
      {"skus/@2/price", "109.00"},
      {"skus/@3/price", "119.00"},
      {"skus/@3/quantity", "15"},
      {"skus/@3/properties", "1627207:28320;20509:28315"},
      {"item_imgs/@1/url", "http://127.0.0.1:8612/i/main0.jpg"},
      {"item_imgs/@3/url", "http://127.0.0.1:8612/i/main2.jpg"},
      {"prop_imgs/@1/properties", "1627207:28341"},
      {"prop_imgs/@2/url", "http://127.0.0.1:8612/p/white.jpg"},
      {"item_imgs", ""},  // white space between the children only
      {"skus/@4/price", ""},
  };
  for (const auto& f : fields) EXPECT_EQ(doc.nodeText(item + f.path), f.text) << f.path;

  struct Count {
    const char* path;
    int32_t count;
    bool found;
  } counts[] = {
      {"skus", 3, true}, {"item_imgs", 3, true}, {"prop_imgs", 2, true}, {"location", 2, true},
      {"skus/@1", 5, true}, {"skus/@4", 0, false}, {"desc", 0, true}, {"sku", 0, false},
  };
  for (const auto& c : counts) {
    bool found = !c.found;
    EXPECT_EQ(doc.childCount(item + c.path, found), c.count) << c.path;
    EXPECT_EQ(found, c.found) << c.path;
  }
  EXPECT_EQ(doc.nodeText("@1/msg"), "");
}

TEST(XmlItemAnswer, Gb2312AnswerFieldByField) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(gbkAnswer(), false, false));
  expectItemFields(doc);
}

TEST(XmlItemAnswer, Utf8AnswerFieldByField) {
  const std::string answer = utf8Answer();
  ASSERT_EQ(answer.find("浙江"), std::string::npos);  // really UTF-8 on the way in
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(answer, false, false));
  expectItemFields(doc);
}

TEST(XmlItemAnswer, OneDocumentServesAnswerAfterAnswer) {
  // An error answer between two item answers leaves nothing behind.
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(utf8Answer()));
  ASSERT_TRUE(doc.loadBytes(
      "<?xml version=\"1.0\" encoding=\"utf-8\" ?><error_response><code>27</code>"
      "<msg>Invalid session</msg><sub_code>isv.invalid-parameter</sub_code></error_response>"));
  EXPECT_EQ(doc.nodeText("@1/msg"), "Invalid session");
  EXPECT_EQ(doc.nodeText("item_get_response/item/title"), "");
  EXPECT_EQ(doc.childCount("item_get_response/item/skus"), 0);
  ASSERT_TRUE(doc.loadBytes(gbkAnswer()));
  expectItemFields(doc);
}

}  // namespace
