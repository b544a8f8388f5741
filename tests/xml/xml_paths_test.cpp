#include <gtest/gtest.h>

#include "util/xml_document.h"

namespace {

// Node numbers in closing order: title 1, price 2, quantity 3, sku 4, price 5, sku 6,
// price 7, sku 8, skus 9, item 10, root 11.
const char* const kSkus =
    "<item_get_response><item><title>T</title>"
    "<skus><sku><price>10</price><quantity>1</quantity></sku>"
    "<sku><price>20</price></sku><sku><price>30</price></sku></skus>"
    "</item></item_get_response>";

TEST(XmlPaths, SkusByPosition) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(kSkus, false, false));
  bool found = false;
  EXPECT_EQ(doc.childCount("item_get_response/item/skus", found), 3);
  EXPECT_TRUE(found);

  struct Case {
    const char* path;
    const char* text;
    bool found;
  } cases[] = {
      {"item_get_response/item/skus/@1/price", "10", true},
      {"item_get_response/item/skus/@3/price", "30", true},
      {"item_get_response/item/skus/@0/price", "", false},
      {"item_get_response/item/skus/@4/price", "", false},
      {"item_get_response/item/skus/@-1/price", "", false},
      {"item_get_response/item/skus/@/price", "", false},
      {"item_get_response/item/skus/@1/@2", "1", true},  // "@n" counts children whatever their names
      {"item_get_response/item/skus/sku/price", "10", true},  // a name picks the first match
      {"item_get_response/item/Title", "", false},             // case counts
      {"item_get_response/item/title/", "T", true},            // an empty last component is dropped
      {"item_get_response//item", "", false},
      {"", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(doc.nodeText(c.path), c.text) << c.path;
    doc.childCount(c.path, found);
    EXPECT_EQ(found, c.found) << c.path;
  }
  EXPECT_EQ(doc.childCount("item_get_response/item/skus/@4", found), 0);
  EXPECT_FALSE(found);
}

TEST(XmlPaths, TopLevelAndAbsoluteNumbers) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(kSkus));
  struct Case {
    const char* path;
    int32_t index;
  } cases[] = {
      {"@1", 11},
      {"item_get_response", 11},
      {"@2", -1},
      {"@0", -1},
      {"@#0", 11},
      {"@#0/item", 10},
      {"@#00", -1},  // only the exact "@#0" names the root
      {"@#", -1},
      {"@#4/price", 2},
      {"@#+4", 4},
      {"@# 4", 4},
      {"@#12", -1},
      {"@#-3", -1},
      {"@#99999999999", -1},
      {"@1/item/@#1", 1},  // an absolute number ignores where it stands
      {"item", -1},        // only the root's name resolves at the top
      {"ITEM_GET_RESPONSE", -1},
      {"@1/@1/@2/@3/@1", 7},
  };
  for (const auto& c : cases) EXPECT_EQ(doc.tree().indexOfPath(c.path), c.index) << c.path;
  EXPECT_EQ(doc.nodeText("@#1"), "T");
}

TEST(XmlPaths, AbsoluteNumberOfReleasedNodeIsNotFound) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(kSkus));
  ASSERT_TRUE(doc.remove("item_get_response/item/skus/@1"));
  EXPECT_EQ(doc.tree().indexOfPath("@#4"), -1);
  EXPECT_EQ(doc.tree().indexOfPath("@#2"), -1);  // its child went with it
  EXPECT_EQ(doc.nodeText("item_get_response/item/skus/@1/price"), "20");
}

TEST(XmlPaths, EmptyDocumentFindsNothing) {
  XmlDocument doc;
  for (const char* p : {"@1", "@#0", "@1/msg", "", "/"}) {
    bool found = true;
    EXPECT_EQ(doc.childCount(p, found), 0) << p;
    EXPECT_FALSE(found) << p;
    EXPECT_EQ(doc.nodeText(p), "") << p;
  }
}

TEST(XmlPaths, PathOfIndexLeadsBackToEveryNode) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(kSkus));
  const XmlNodeTree& tree = doc.tree();
  for (int32_t n = 1; n <= tree.slotCount(); ++n) {
    std::string path = tree.pathOfIndex(n);
    EXPECT_EQ(tree.indexOfPath(path), n) << path;
  }
  EXPECT_EQ(tree.pathOfIndex(0), "@1");
  EXPECT_EQ(tree.pathOfIndex(11), "@1");
  EXPECT_EQ(tree.pathOfIndex(7), "@1/@1/@2/@3/@1");
  EXPECT_EQ(tree.pathOfIndex(12), "");
  EXPECT_EQ(tree.pathOfIndex(-1), "");
}

TEST(XmlPaths, TopLevelSiblingsOfTheRoot) {
  // The last element closed is the root; earlier top-level elements stay
  // reachable by number only.
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes("<first>1</first><second>2</second>"));
  EXPECT_EQ(doc.nodeText("@1"), "2");
  EXPECT_EQ(doc.nodeText("first"), "");
  EXPECT_EQ(doc.nodeText("@#1"), "1");
  EXPECT_EQ(doc.tree().pathOfIndex(1), "");
}

}  // namespace
