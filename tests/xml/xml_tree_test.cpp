#include <gtest/gtest.h>

#include "util/xml_document.h"

namespace {

// Closing order: b 1, a 2, c 3, r 4.
const char* const kSmall = "<r><a><b/></a><c>t</c></r>";

std::vector<int32_t> childrenOf(const XmlNodeTree& tree, int32_t n) { return tree.nodeAt(n)->children; }

TEST(XmlTree, NodesAreNumberedInClosingOrder) {
  XmlNodeTree tree;
  ASSERT_TRUE(tree.load(kSmall));
  struct Case {
    int32_t number;
    const char* name;
    int32_t parent;
    std::vector<int32_t> children;
  } cases[] = {{1, "b", 2, {}}, {2, "a", 4, {1}}, {3, "c", 4, {}}, {4, "r", 0, {2, 3}}};
  for (const auto& c : cases) {
    XmlNode node;
    ASSERT_TRUE(tree.getNode(c.number, node));
    EXPECT_EQ(node.name, c.name);
    EXPECT_EQ(node.index, c.number);
    EXPECT_EQ(node.parent, c.parent);
    EXPECT_EQ(node.children, c.children);
  }
  EXPECT_EQ(tree.root(), 4);
  EXPECT_EQ(tree.nameOf(0), "r");
  EXPECT_EQ(tree.nameOf(5), "");
}

TEST(XmlTree, NodeStates) {
  XmlNodeTree tree;
  ASSERT_TRUE(tree.load(kSmall));
  ASSERT_EQ(tree.deleteNode(3), 1);
  struct Case {
    int32_t number, state;
  } cases[] = {{-1, -1}, {0, -1}, {1, 1}, {2, 1}, {3, -1}, {4, 0}, {5, -1}};
  for (const auto& c : cases) EXPECT_EQ(tree.nodeState(c.number), c.state) << c.number;
  XmlNode node;
  EXPECT_TRUE(tree.getNode(0, node));  // 0 reads as the root here
  EXPECT_EQ(node.name, "r");
  EXPECT_FALSE(tree.getNode(3, node));
}

TEST(XmlTree, DeleteReleasesSubtreesAndNumbersAreReusedOldestFirst) {
  XmlNodeTree tree;
  ASSERT_TRUE(tree.load("<r><a><b/><c><d/></c></a><e/></r>"));  // b1 d2 c3 a4 e5 r6
  EXPECT_EQ(tree.deleteNode(6), 0);  // the root is refused
  EXPECT_EQ(tree.deleteNode(0), -1);
  EXPECT_EQ(tree.deleteNode(9), -1);
  EXPECT_EQ(tree.deleteNode(4), 1);
  EXPECT_EQ(tree.freeList(), (std::vector<int32_t>{4, 1, 3, 2}));  // depth first, children in order
  EXPECT_EQ(childrenOf(tree, 6), std::vector<int32_t>{5});
  EXPECT_EQ(tree.deleteNode(4), -1);  // already released

  int32_t first = tree.addNode(0);
  int32_t second = tree.addNode(5);
  EXPECT_EQ(first, 4);
  EXPECT_EQ(second, 1);
  XmlNode reused;
  ASSERT_TRUE(tree.getNode(4, reused));
  EXPECT_EQ(reused.name, "");
  EXPECT_TRUE(reused.children.empty());
  EXPECT_EQ(reused.parent, 6);
  EXPECT_EQ(tree.freeList(), (std::vector<int32_t>{3, 2}));
  EXPECT_EQ(tree.addNode(0), 3);
  EXPECT_EQ(tree.addNode(0), 2);
  EXPECT_EQ(tree.addNode(0), 7);  // list empty: one past the last slot
  EXPECT_EQ(tree.slotCount(), 7);
  EXPECT_EQ(childrenOf(tree, 6), (std::vector<int32_t>{5, 4, 3, 2, 7}));
  EXPECT_EQ(tree.addNode(99), -1);
  EXPECT_EQ(tree.pathOfIndex(1), "@1/@1/@1");
}

TEST(XmlTree, AddNodeWithoutParentStartsAfresh) {
  XmlNodeTree tree;
  ASSERT_TRUE(tree.load(kSmall));
  EXPECT_EQ(tree.addNode(), 1);
  EXPECT_EQ(tree.slotCount(), 1);
  EXPECT_EQ(tree.root(), 1);
  EXPECT_EQ(tree.nodeState(1), 0);
  XmlNodeTree empty;
  EXPECT_EQ(empty.addNode(0), -1);
}

TEST(XmlTree, SetNodeFieldsAndOffsets) {
  struct Case {
    int32_t number;
    int32_t offset;
    std::vector<int32_t> order;
  } cases[] = {
      {1, 1, {2, 1, 3}},
      {1, 2, {3, 2, 1}},
      {3, -2, {3, 2, 1}},
      {2, -1, {2, 1, 3}},
      {1, -1, {1, 2, 3}},  // no position 0
      {3, 1, {1, 2, 3}},
      {1, 0, {1, 2, 3}},
      {4, 1, {1, 2, 3}},  // the root has no siblings
      {0, -1, {1, 2, 3}},
      {1, 2147483647, {1, 2, 3}},
  };
  for (const auto& c : cases) {
    XmlNodeTree tree;
    ASSERT_TRUE(tree.load("<r><a/><b/><c/></r>"));
    EXPECT_TRUE(tree.setNode(c.number, std::nullopt, std::nullopt, std::nullopt, c.offset));
    EXPECT_EQ(childrenOf(tree, 4), c.order) << c.number << " " << c.offset;
  }
  XmlNodeTree tree;
  ASSERT_TRUE(tree.load("<r><a/></r>"));
  EXPECT_TRUE(tree.setNode(1, "x", "t", std::vector<XmlAttribute>{{"k", "v"}}));
  EXPECT_TRUE(tree.setNode(0, "root"));
  XmlNode node;
  ASSERT_TRUE(tree.getNode(1, node));
  EXPECT_EQ(node.name, "x");
  EXPECT_EQ(node.text, "t");
  EXPECT_EQ(node.attributes, (std::vector<XmlAttribute>{{"k", "v"}}));
  EXPECT_EQ(tree.nameOf(0), "root");
  EXPECT_FALSE(tree.setNode(7, "no"));
}

TEST(XmlTree, EditAttributes) {
  const std::vector<XmlAttribute> start = {{"a", "1"}, {"b", "2"}, {"a", "3"}};
  struct Case {
    const char* operation;
    const char* text;
    std::vector<XmlAttribute> result;
    const char* textAfter;
  } cases[] = {
      {"+", "c=\"4\" d = 5", {{"a", "1"}, {"b", "2"}, {"a", "3"}, {"c", "4"}, {"d", "5"}}, ""},
      {"+", "flag c=\"4 5\"", {{"a", "1"}, {"b", "2"}, {"a", "3"}, {"c", "4 5"}}, ""},  // no "=": skipped
      {"-", "a=\"\"", {{"b", "2"}}, ""},
      {"%", "a=\"9\" z=\"0\"", {{"a", "9"}, {"b", "2"}, {"a", "9"}}, ""},
      {"<", "x=\"1\"", {{"x", "1"}}, ""},
      {">", "ignored=\"1\"", {{"a", "1"}, {"b", "2"}, {"a", "3"}}, " a=\"1\" b=\"2\" a=\"3\""},
      {"?", "a=\"1\"", {{"a", "1"}, {"b", "2"}, {"a", "3"}}, ""},
  };
  for (const auto& c : cases) {
    std::vector<XmlAttribute> attributes = start;
    std::string text = c.text;
    XmlNodeTree::editAttributes(attributes, c.operation, text);
    EXPECT_EQ(attributes, c.result) << c.operation << " " << c.text;
    EXPECT_EQ(text, c.textAfter) << c.operation << " " << c.text;
  }
}

TEST(XmlDocumentEditing, CreateRefusesNamesThatCannotStartAnElement) {
  XmlDocument doc;
  for (const char* bad : {"", "@x", "<x", " x", "\tx", "\rx", "\nx"}) EXPECT_FALSE(doc.create(bad)) << bad;
  ASSERT_TRUE(doc.loadBytes("<old><a/></old>"));
  ASSERT_TRUE(doc.create("x@<"));
  bool found;
  EXPECT_EQ(doc.rootName(found), "x@<");
  EXPECT_EQ(doc.childCount("@1"), 0);
  EXPECT_EQ(doc.tree().slotCount(), 1);
}

TEST(XmlDocumentEditing, PathOperations) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes("<r><a k=\"1\" k=\"2\" m=\"3\">t</a><b/></r>"));

  std::vector<std::string> names;
  EXPECT_TRUE(doc.childNames("r", names));
  EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(doc.attributeNames("r/a", names));
  EXPECT_EQ(names, (std::vector<std::string>{"k", "k", "m"}));
  EXPECT_FALSE(doc.childNames("r/x", names));
  EXPECT_TRUE(names.empty());

  std::string value = "stale";
  EXPECT_TRUE(doc.attributeValue("r/a", "k", value));
  EXPECT_EQ(value, "1");
  EXPECT_FALSE(doc.attributeValue("r/a", "K", value));
  EXPECT_EQ(value, "");
  EXPECT_FALSE(doc.attributeValue("r/x", "k", value));

  bool found;
  EXPECT_EQ(doc.attributeCount("r/a", found), 3);
  EXPECT_TRUE(found);
  EXPECT_EQ(doc.attributeCount("r/x", found), 0);
  EXPECT_FALSE(found);
  int32_t count = -1;
  EXPECT_TRUE(doc.getChildCount("r", count));
  EXPECT_EQ(count, 2);
  EXPECT_FALSE(doc.getChildCount("q", count));
  EXPECT_EQ(count, 0);

  EXPECT_TRUE(doc.setAttributeValue("r/a", "k", "9"));
  EXPECT_TRUE(doc.renameAttribute("r/a", "k", "j"));
  EXPECT_TRUE(doc.removeAttribute("r/a", "m"));
  EXPECT_FALSE(doc.removeAttribute("r/a", "m"));
  EXPECT_FALSE(doc.setAttributeValue("r/a", "m", "1"));
  EXPECT_FALSE(doc.renameAttribute("r/a", "m", "n"));
  EXPECT_TRUE(doc.rename("r/b", "c"));
  EXPECT_TRUE(doc.setText("r/c", "new"));
  EXPECT_TRUE(doc.addChild("r/c", "d", "deep"));
  EXPECT_FALSE(doc.addChild("r/x", "d", ""));
  EXPECT_FALSE(doc.addAttribute("r/x", "d", ""));
  EXPECT_FALSE(doc.rename("r/x", "y"));
  EXPECT_FALSE(doc.setText("r/x", "y"));
  EXPECT_EQ(doc.toBytes(),
            "<?xml version=\"1.0\" encoding=\"gb2312\"?><r><a j=\"9\" k=\"2\">t</a><c>new<d>deep</d></c></r>");

  EXPECT_FALSE(doc.remove("r"));  // the root stays
  EXPECT_FALSE(doc.remove("r/x"));
  EXPECT_TRUE(doc.remove("r/a"));
  EXPECT_EQ(doc.nodeText("r/@1/d"), "deep");
  EXPECT_EQ(doc.childCount("r"), 1);
}

TEST(XmlDocumentEditing, CopiesAndTreesAreDeep) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes("<r><a><![CDATA[x]]></a></r>"));
  XmlDocument copy = doc;
  ASSERT_TRUE(copy.setText("r/a", "changed"));
  EXPECT_EQ(doc.nodeText("r/a"), "x");

  XmlNodeTree exported = doc.exportTree();
  EXPECT_EQ(exported.cdataStore(), std::vector<std::string>{"x"});
  EXPECT_EQ(exported.cdataMarker(), doc.tree().cdataMarker());
  doc.clear();
  EXPECT_EQ(exported.nameOf(0), "r");

  XmlDocument imported;
  imported.importTree(exported);
  exported.clear();
  EXPECT_EQ(imported.nodeText("r/a"), "x");
  std::string name;
  EXPECT_FALSE(doc.getRootName(name));
  EXPECT_TRUE(imported.getRootName(name));
  EXPECT_EQ(name, "r");
}

}  // namespace
