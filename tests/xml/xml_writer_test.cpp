#include <gtest/gtest.h>

#include "util/file_io.h"
#include "util/xml_document.h"

namespace {

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"gb2312\"?>";

TEST(XmlWriter, ExactOutput) {
  XmlDocument doc;
  ASSERT_TRUE(doc.create("root"));
  ASSERT_TRUE(doc.addChild("@1", "child", "a<b"));
  EXPECT_EQ(doc.toBytes(), kDeclaration + "<root><child><![CDATA[a<b]]></child></root>");

  ASSERT_TRUE(doc.addAttribute("root", "k", "v w"));
  ASSERT_TRUE(doc.addAttribute("root", "q", "x&y>z"));
  ASSERT_TRUE(doc.addChild("root", "empty", ""));
  ASSERT_TRUE(doc.addChild("root/empty", "text", "A&amp;B > C \"q\" 中文"));
  EXPECT_EQ(doc.toBytes(), kDeclaration +
                               "<root k=\"v w\" q=\"x&y>z\"><child><![CDATA[a<b]]></child>"
                               "<empty><text>A&amp;B > C \"q\" 中文</text></empty></root>");
}

TEST(XmlWriter, EmptyAndNamelessRootsWriteNothing) {
  XmlDocument doc;
  EXPECT_EQ(doc.toBytes(), "");
  XmlNodeTree tree;
  tree.addNode();  // a root without a name
  EXPECT_EQ(tree.toText(), "");
  std::string text = "kept";
  tree.writeNode(0, text);
  EXPECT_EQ(text, "kept");
}

TEST(XmlWriter, WriteNodeOfAnInnerNodeAppends) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes("<r><a x=\"1\">t<b/></a></r>"));
  std::string text = "prefix:";
  doc.tree().writeNode(doc.tree().indexOfPath("r/a"), text);
  EXPECT_EQ(text, "prefix:<a x=\"1\">t<b></b></a>");
  std::string whole = "replaced";
  doc.tree().writeNode(0, whole);
  EXPECT_EQ(whole, kDeclaration + "<r><a x=\"1\">t<b></b></a></r>");
}

TEST(XmlWriter, OutputReadsBackTheSame) {
  const char* xml =
      "<?xml version=\"1.0\" encoding=\"gb2312\"?><r id=\"7\"><a>1 &lt; 2</a><b><![CDATA[<i>x</i>]]></b>"
      "<c><d>中</d><d/></c></r>";
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(xml));
  std::string once = doc.toBytes();
  XmlDocument again;
  ASSERT_TRUE(again.loadBytes(once));
  EXPECT_EQ(again.toBytes(), once);
  EXPECT_EQ(again.nodeText("r/b"), "<i>x</i>");
  EXPECT_EQ(again.nodeText("r/a"), "1 &lt; 2");
  EXPECT_EQ(again.attributeValue("r", "id"), "7");
  EXPECT_EQ(again.childCount("r/c"), 2);
}

TEST(XmlWriter, SaveToFileWritesTheBytesUnchanged) {
  XmlDocument doc;
  ASSERT_TRUE(doc.create("列表"));
  ASSERT_TRUE(doc.addChild("@1", "项", "值"));
  const std::string path = "xml_writer_save.xml";
  ASSERT_TRUE(doc.saveToFile(path));
  auto bytes = fileio::readWholeFile(path);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, doc.toBytes());
  EXPECT_EQ(bytes->substr(0, kDeclaration.size()), kDeclaration);  // no byte-order mark
  fileio::deleteFile(path);
  EXPECT_FALSE(doc.saveToFile("no_such_folder/x.xml"));
}

}  // namespace
