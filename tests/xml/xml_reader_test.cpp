#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "util/xml_document.h"

namespace {

bool isEmpty(const XmlDocument& doc) { return doc.tree().root() == 0 && doc.tree().slotCount() == 0; }

TEST(XmlReader, Utf8ErrorAnswerReadsThroughTheRootPosition) {
  // "非法参数" in UTF-8.
  const std::string answer =
      "<?xml version=\"1.0\" encoding=\"utf-8\" ?><error_response><code>41</code>"
      "<msg>\xE9\x9D\x9E\xE6\xB3\x95\xE5\x8F\x82\xE6\x95\xB0</msg></error_response>";
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(answer, false, false));
  EXPECT_EQ(doc.nodeText("@1/msg"), "非法参数");
  EXPECT_EQ(doc.nodeText("@1/code"), "41");
  EXPECT_EQ(doc.nodeText("item_get_response/item/title"), "");
  bool found = true;
  EXPECT_EQ(doc.childCount("item_get_response/item/skus", found), 0);
  EXPECT_FALSE(found);
}

TEST(XmlReader, EncodingDeclarationDecidesConversion) {
  const std::string utf8Zhong = "\xE4\xB8\xAD";  // "中"
  struct Case {
    std::string declaration;
    bool force;
    bool converted;
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"utf-8\"?>", false, true},
      {"<?xml version=\"1.0\" ENCODING = \"UTF-8\" ?>", false, true},
      {"<?xml version=\"1.0\" encoding=\"gb2312\"?>", false, false},
      {"<?xml version=\"1.0\" encoding=\"GB2312\"?>", true, false},  // never converted, even forced
      {"<?xml version=\"1.0\"?>", false, false},
      {"<?xml version=\"1.0\"?>", true, true},
      {"", true, true},
      {"<?xml version=\"1.0\" encoding=\"gbk\"?>", false, false},  // unknown: parsed as it is
      {"<?xml version=\"1.0\" encoding='utf-8'?>", false, false},  // single quotes are kept in the value
      {"<?xml version=\"1.0\" encoding=\"utf-8\"", false, false},  // no "?>" after it
  };
  for (const auto& c : cases) {
    std::string data = c.declaration + "<r>" + utf8Zhong + "</r>";
    std::string converted = data;
    EXPECT_EQ(XmlNodeTree::convertEncoding(converted, c.force), c.converted) << c.declaration;
    XmlDocument doc;
    ASSERT_TRUE(doc.loadBytes(data, c.force)) << c.declaration;
    EXPECT_EQ(doc.nodeText("r"), c.converted ? std::string("中") : utf8Zhong) << c.declaration;
  }
}

TEST(XmlReader, ConversionStopsAtTheFirstNul) {
  std::string data = std::string("<r>a</r>\0<x>", 12);
  EXPECT_TRUE(XmlNodeTree::convertEncoding(data, true));
  EXPECT_EQ(data, "<r>a</r>");
}

TEST(XmlReader, TextsKeepTheirBytes) {
  struct Case {
    const char* xml;
    const char* path;
    const char* text;
  } cases[] = {
      {"<r><a> \r\n\t </a></r>", "r/a", ""},                    // white space only
      {"<r><a>  two  words \r\n</a></r>", "r/a", "  two  words \r\n"},
      {"<r><a>A&amp;B &lt;p&gt; &quot;q&quot; &#20013;</a></r>", "r/a", "A&amp;B &lt;p&gt; &quot;q&quot; &#20013;"},
      {"<r><a><![CDATA[<b>x</b> & y]]></a></r>", "r/a", "<b>x</b> & y"},
      {"<r><a>before<![CDATA[inside]]>after</a></r>", "r/a", "inside"},
      {"<r><a><![CDATA[]]></a></r>", "r/a", ""},
      {"<r><a><![CDATA[1]]></a><b><![CDATA[2]]></b></r>", "r/b", "2"},
      {"<r><a><![CDATA[]]]]></a></r>", "r/a", "]]"},
      {"<r>head<c/>tail</r>", "r", "head"},  // text after a self-closing child is dropped
      {"<r>head<c/>tail</r>", "r/c", ""},
      {"<r><c a=\"1\"/></r>", "r/c", ""},
      {"<r><a>\xD6\xD0\xCE\xC4</a></r>", "r/a", "中文"},
      {"<?xml version=\"1.0\"?><!-- note --><!DOCTYPE r><r>x</r>", "r", "x"},
      {"\r\n<r>\r\n<a>1</a>\r\n</r>\r\n", "r/a", "1"},
  };
  for (const auto& c : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.loadBytes(c.xml)) << c.xml;
    EXPECT_EQ(doc.nodeText(c.path), c.text) << c.xml;
  }
}

TEST(XmlReader, StartTagAttributes) {
  struct Case {
    const char* xml;
    std::vector<XmlAttribute> attributes;
  } cases[] = {
      {"<r a=\"1\" b=\"two words\"></r>", {{"a", "1"}, {"b", "two words"}}},
      {"<r a = \"1\" b\t=\t\"2\" c\n=\r\n\"3\"/>", {{"a", "1"}, {"b", "2"}, {"c", "3"}}},
      {"<r a='x'/>", {{"a", "'x'"}}},
      {"<r a=\"x\"\"y\"/>", {{"a", "xy"}}},
      {"<r  a=\"1\"/>", {{"a", "1"}}},  // two spaces give an empty token, which is skipped
      {"<r a=\"1\" />", {{"a", "1"}}},
      {"<r a=\"=\"/>", {{"a", "="}}},
      {"<r a=\"1\"\tb=\"2\"/>", {{"a", "1\tb=2"}}},  // only spaces separate attributes
  };
  for (const auto& c : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.loadBytes(c.xml)) << c.xml;
    EXPECT_EQ(doc.tree().nodeAt(0)->attributes, c.attributes) << c.xml;
  }
}

TEST(XmlReader, CollapseEqualsOrder) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a  =  b", "a=b"},
      {"a\t\t=\t b", "a= b"},
      {"a\r\n=\r\nb", "a\r=b"},  // "\r=" is looked at before the "\n" goes
      {"a \t= b", "a =b"},  // spaces before the tabs are looked at before the tabs go
      {"a=\t b", "a= b"},
      {"a = = b", "a==b"},
      {"a b", "a b"},
  };
  for (const auto& c : cases) EXPECT_EQ(XmlNodeTree::collapseEquals(c.in), c.out) << c.in;
}

TEST(XmlReader, QuotedLessThanNeedsQuoteAware) {
  const char* xml = "<r><a href=\"x<y\">t</a></r>";
  XmlDocument doc;
  EXPECT_FALSE(doc.loadBytes(xml, false, false));
  EXPECT_TRUE(isEmpty(doc));
  ASSERT_TRUE(doc.loadBytes(xml, false, true));
  EXPECT_EQ(doc.attributeValue("r/a", "href"), "x<y");
  EXPECT_EQ(doc.nodeText("r/a"), "t");

  // The quote state runs over the whole data, so one stray quote in a text hides
  // every later "<": the rest becomes one start tag that never closes.
  EXPECT_TRUE(doc.loadBytes("<r><a>5\" screen</a><b>x</b></r>", false, true));
  EXPECT_EQ(doc.tree().slotCount(), 0);
  EXPECT_TRUE(doc.loadBytes("<r><a>5\" screen</a><b>x</b></r>", false, false));
  EXPECT_EQ(doc.nodeText("r/a"), "5\" screen");
}

TEST(XmlReader, GreaterThanInTextJoinsTheTag) {
  struct Case {
    const char* xml;
    bool loads;
    const char* text;
    const char* attribute;  // value of x on r/a
  } cases[] = {
      {"<r><a>1>2</a></r>", false, "", ""},                // name becomes "a>1", no match
      {"<r><a x=\"1\">b>c</a></r>", true, "c", "1>b"},   // joins the last attribute token
      {"<r><a x=\"1\">b=2>c</a></r>", true, "c", "1>b=2"},
      {"<r><a x=\"1\">b c>d</a></r>", false, "", ""},      // new token "c" without "="
      {"<r><a x=\"1\">b c=3>d</a></r>", true, "d", "1>b"},
  };
  for (const auto& c : cases) {
    XmlDocument doc;
    EXPECT_EQ(doc.loadBytes(c.xml), c.loads) << c.xml;
    EXPECT_EQ(doc.nodeText("r/a"), c.text) << c.xml;
    EXPECT_EQ(doc.attributeValue("r/a", "x"), c.attribute) << c.xml;
  }
}

TEST(XmlReader, MalformedInputsFailAndLeaveTheDocumentEmpty) {
  const char* cases[] = {
      "<r a></r>",                   // attribute without "="
      "<r a='x y'/>",                // single quotes are no quotes: y' has no "="
      "<r><a b=\"1\" c></a></r>",
      "<r><a\n>t</a></r>",           // a line break after the name joins the name
      "<r><a\tx=\"1\">t</a></r>",
      "<r><a>t</b></r>",             // mismatched
      "</r>",                        // closing with nothing open
      "<r></r></r>",
      "<r><a>1</a>tail</r>",         // text after a closing tag joins its name
      "<r><a</r>",                   // piece without ">"
      "<r><a",
      "<r></a/></r>",                // closing and self-closing at once
      "junk<r></r>",
      "<r></R>",
  };
  for (const char* xml : cases) {
    XmlDocument doc;
    ASSERT_TRUE(doc.loadBytes("<ok><x>1</x></ok>"));
    EXPECT_FALSE(doc.loadBytes(xml)) << xml;
    EXPECT_TRUE(isEmpty(doc)) << xml;
    EXPECT_EQ(doc.nodeText("@1"), "") << xml;
    EXPECT_EQ(doc.childCount("@1"), 0) << xml;
    EXPECT_EQ(doc.nodeText("ok/x"), "") << xml;
  }
}

TEST(XmlReader, UnclosedElementsAreDropped) {
  struct Case {
    const char* xml;
    const char* rootName;
    int32_t slots;
  } cases[] = {
      {"<r><a>1</a>", "a", 1},
      {"<r><a>1</a><b>2</b>", "b", 2},
      {"<r><a>", "", 0},
      {"", "", 0},
      {"<?xml version=\"1.0\"?>", "", 0},
  };
  for (const auto& c : cases) {
    XmlDocument doc;
    EXPECT_TRUE(doc.loadBytes(c.xml)) << c.xml;
    bool found;
    EXPECT_EQ(doc.rootName(found), c.rootName) << c.xml;
    EXPECT_EQ(found, *c.rootName != 0) << c.xml;
    EXPECT_EQ(doc.tree().slotCount(), c.slots) << c.xml;
  }
}

TEST(XmlReader, UnterminatedCdataNeitherLoopsNorReadsPastTheData) {
  struct Case {
    const char* xml;
    bool loads;
    const char* path;
    const char* text;
  } cases[] = {
      // The open section stays in the data and is skipped like any "<!" piece.
      {"<r><a>1</a><b><![CDATA[never closed</b></r>", true, "r/a", "1"},
      {"<r><a>1</a><b><![CDATA[never closed</b></r>", true, "r/b", ""},
      {"<r><a><![CDATA[x]]></a><b><![CDATA[y", true, "@#1", "x"},
      {"<r><![CDATA[", true, "@1", ""},
      {"<![CDATA[", true, "@1", ""},
      {"<r><![CDATA[a]]</r>", true, "r", ""},
  };
  for (const auto& c : cases) {
    XmlDocument doc;
    EXPECT_EQ(doc.loadBytes(c.xml), c.loads) << c.xml;
    EXPECT_EQ(doc.nodeText(c.path), c.text) << c.xml;
  }
  XmlNodeTree tree;
  std::string data = "a<![CDATA[b]]>c<![CDATA[d";
  EXPECT_EQ(tree.extractCdata(data), 1);
  EXPECT_EQ(tree.cdataStore(), std::vector<std::string>{"b"});
  EXPECT_EQ(data, "a" + tree.cdataMarker() + ",1.c<![CDATA[d");
}

TEST(XmlReader, MarkersAvoidTheData) {
  std::string everyShortMarker;
  for (char c = 'A'; c <= 'Z'; ++c) everyShortMarker += std::string("@") + c;
  EXPECT_EQ(XmlNodeTree::makeMarker(everyShortMarker, 1), "");
  std::string two = XmlNodeTree::makeMarker(everyShortMarker, 2);
  ASSERT_EQ(two.size(), 3u);
  EXPECT_EQ(everyShortMarker.find(two), std::string::npos);

  std::string five = XmlNodeTree::makeMarker("");
  ASSERT_EQ(five.size(), 6u);
  EXPECT_EQ(five[0], '@');
  for (char c : five.substr(1)) EXPECT_TRUE(c >= 'A' && c <= 'Z');

  // Without a marker nothing is a placeholder, whatever the text looks like.
  XmlNodeTree fresh;
  EXPECT_EQ(fresh.restoreText(",1."), ",1.");
}

TEST(XmlReader, PlaceholderLookalikesStayText) {
  // The marker of a load never occurs in its data, so texts that merely resemble
  // a placeholder are not replaced by a CDATA content.
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes("<r><a><![CDATA[c]]></a><b>@ABCDE,1.</b><c>,1.</c></r>"));
  EXPECT_EQ(doc.nodeText("r/a"), "c");
  EXPECT_EQ(doc.nodeText("r/b"), "@ABCDE,1.");
  EXPECT_EQ(doc.nodeText("r/c"), ",1.");
  const std::string& marker = doc.tree().cdataMarker();
  EXPECT_EQ(doc.tree().restoreText("x" + marker + ",1.y"), "c");
  EXPECT_EQ(doc.tree().restoreText(marker + ",2."), marker + ",2.");
  EXPECT_EQ(doc.tree().restoreText(marker + ",0."), marker + ",0.");
  EXPECT_EQ(doc.tree().restoreText(marker + ",1"), marker + ",1");
  EXPECT_EQ(doc.tree().restoreText(marker + ",x."), marker + ",x.");
}

TEST(XmlReader, EachLoadStartsAfresh) {
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes("<r><a><![CDATA[first]]></a><b>1</b></r>"));
  ASSERT_TRUE(doc.loadBytes("<s><a>second</a></s>"));
  EXPECT_EQ(doc.nodeText("r/b"), "");
  EXPECT_EQ(doc.nodeText("@1/a"), "second");
  EXPECT_TRUE(doc.tree().cdataStore().empty());
  EXPECT_EQ(doc.tree().cdataMarker(), "");
  EXPECT_EQ(doc.tree().slotCount(), 2);
}

TEST(XmlReader, SplitOutsideQuotes) {
  struct Case {
    std::string data, separator;
    std::vector<std::string> pieces;
  } cases[] = {
      {"a<b<c", "<", {"a", "b", "c"}},
      {"a\"<\"b<c", "<", {"a\"<\"b", "c"}},
      {"<", "<", {"", ""}},
      {"", "<", {""}},
      {"a<b", "<b", {"a<b"}},  // longer separators match nowhere
      {"a\"<b", "<", {"a\"<b"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> pieces;
    XmlNodeTree::splitOutsideQuotes(c.data, c.separator, pieces);
    EXPECT_EQ(pieces, c.pieces) << c.data;
  }
  std::string name;
  EXPECT_TRUE(XmlNodeTree::closingTagName("/ a\r\n>\t", name));
  EXPECT_EQ(name, "a");
}

TEST(XmlReader, DamagedAnswersNeverBreakTheReader) {
  // Cuts, byte flips and duplicated stretches of a real-looking answer. Whatever
  // the result, a failed load leaves an empty document and queries stay safe.
  const std::string base =
      "<?xml version=\"1.0\" encoding=\"utf-8\" ?><item_get_response><item><title>A&amp;B</title>"
      "<desc><![CDATA[<p>x</p>]]></desc><skus><sku a=\"1\"><price>1</price></sku><sku/></skus>"
      "<item_imgs><item_img><url>http://127.0.0.1/1.jpg</url></item_img></item_imgs></item></item_get_response>";
  const char alphabet[] = "<>/=\"! \n?[]@,.a";
  std::mt19937 random(20240611);
  XmlDocument doc;
  for (int round = 0; round < 3000; ++round) {
    std::string data = base;
    int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits; ++e) {
      size_t at = random() % (data.size() + 1);
      switch (random() % 4) {
        case 0: data.resize(at); break;
        case 1: if (at < data.size()) data[at] = alphabet[random() % (sizeof alphabet - 1)]; break;
        case 2: data.insert(at, 1, char(random() % 256)); break;
        case 3: data.insert(at, data.substr(random() % (data.size() + 1), random() % 40)); break;
      }
    }
    bool forced = round % 3 == 0, quoteAware = round % 5 == 0;
    if (!doc.loadBytes(data, forced, quoteAware)) {
      ASSERT_TRUE(isEmpty(doc)) << data;
    }
    doc.nodeText("item_get_response/item/title");
    doc.childCount("@1/@1/skus");
    for (int32_t n = 1; n <= doc.tree().slotCount(); ++n) doc.tree().pathOfIndex(n);
    doc.toBytes();
  }
}

TEST(XmlReader, DeepNestingIsReadAndWritten) {
  const int depth = 100000;
  std::string data;
  for (int i = 0; i < depth; ++i) data += "<a>";
  data += "x";
  for (int i = 0; i < depth; ++i) data += "</a>";
  XmlDocument doc;
  ASSERT_TRUE(doc.loadBytes(data));
  EXPECT_EQ(doc.tree().slotCount(), depth);
  EXPECT_EQ(doc.nodeText("@#1"), "x");
  std::string out = doc.toBytes();
  EXPECT_EQ(out.size(), std::string("<?xml version=\"1.0\" encoding=\"gb2312\"?>").size() + data.size());
  EXPECT_EQ(doc.tree().pathOfIndex(1).size(), 2 + 3 * size_t(depth - 1));
}

TEST(XmlReader, WorkersLoadTheirOwnDocumentsAtOnce) {
  // Five workers each own a document; markers are drawn on every thread at once.
  std::vector<std::thread> workers;
  std::vector<int> failures(5, 0);
  for (int w = 0; w < 5; ++w) {
    workers.emplace_back([w, &failures] {
      XmlDocument doc;
      for (int i = 0; i < 300; ++i) {
        std::string value = std::to_string(w) + "<" + std::to_string(i) + ">";
        std::string xml = "<r><a><![CDATA[" + value + "]]></a><b><![CDATA[" + value + "b]]></b></r>";
        if (!doc.loadBytes(xml) || doc.nodeText("r/a") != value || doc.nodeText("r/b") != value + "b") ++failures[w];
      }
    });
  }
  for (auto& t : workers) t.join();
  EXPECT_EQ(failures, std::vector<int>(5, 0));
}

}  // namespace
