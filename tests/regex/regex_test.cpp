#include <gtest/gtest.h>

#include "regex/com_apartment.h"
#include "util/regex.h"

namespace {

// Declared first so COM outlives every matcher of the test.
class Regex : public ::testing::Test {
 protected:
  ComApartment com;
};

TEST_F(Regex, OmittedFlagsIgnoreCaseMatchPerLineAndFindAll) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("hello (\\w+)"));
  EXPECT_EQ(m.execute("HeLLo World\nsay hello again"), 2);
  EXPECT_EQ(m.subMatchText(1, 1), "World");
  EXPECT_EQ(m.subMatchText(2, 1), "again");

  ASSERT_TRUE(m.compile("^b$"));
  EXPECT_EQ(m.execute("a\nb\nc"), 1);
  EXPECT_EQ(m.matchText(1), "b");
}

TEST_F(Regex, ExplicitFlagsAreHonoured) {
  struct Case {
    const char* pattern;
    bool ignoreCase, multiline, global;
    const char* text;
    int expected;
  } cases[] = {
      {"abc", false, true, true, "ABC abc", 1},
      {"abc", true, true, true, "ABC abc", 2},
      {"abc", true, true, false, "ABC abc", 1},
      {"^b", true, false, true, "a\nb", 0},
      {"^b", true, true, true, "a\nb", 1},
      {"a$", true, false, true, "a\na", 1},
  };
  for (const auto& c : cases) {
    RegexMatcher m;
    ASSERT_TRUE(m.compile(c.pattern, c.ignoreCase, c.multiline, c.global));
    EXPECT_EQ(m.execute(c.text), c.expected) << c.pattern << " " << c.ignoreCase << c.multiline << c.global;
  }
}

TEST_F(Regex, PricesOnSeparateLinesAreNumberedFromOne) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("<strong>(.*?) 元</strong>"));
  EXPECT_EQ(m.execute("<li><strong>12.50 元</strong></li>\n<li><strong>99.00 元</strong></li>\n"), 2);
  EXPECT_EQ(m.matchCount(), 2);
  EXPECT_EQ(m.subMatchText(1, 1), "12.50");
  EXPECT_EQ(m.subMatchText(2, 1), "99.00");
  EXPECT_EQ(m.matchText(2), "<strong>99.00 元</strong>");
  EXPECT_EQ(m.subMatchCount(), 1);
  // Out of range: match numbers and group numbers.
  EXPECT_EQ(m.subMatchText(3, 1), "");
  EXPECT_EQ(m.subMatchText(0, 1), "");
  EXPECT_EQ(m.subMatchText(1, 2), "");
  EXPECT_EQ(m.subMatchText(1, 0), "");
  EXPECT_EQ(m.matchText(0), "");
  EXPECT_EQ(m.matchText(3), "");
  EXPECT_EQ(m.matchText(-1), "");
}

TEST_F(Regex, LineFeedInPatternCrossesExactlyOneLineBreak) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("<b>\n(.*?)\n</b>"));
  EXPECT_EQ(m.execute("<b>\none\n</b> <b>\ntwo\nlines\n</b>"), 1);
  EXPECT_EQ(m.subMatchText(1, 1), "one");

  ASSERT_TRUE(m.compile("<b>(.*)</b>"));
  EXPECT_EQ(m.execute("<b>x\ny</b>"), 0);
  EXPECT_EQ(m.execute("<b>x</b>\n<b>y</b>"), 2) << "greedy . stops at the line end";
  EXPECT_EQ(m.matchText(1), "<b>x</b>");
  EXPECT_EQ(m.matchText(2), "<b>y</b>");
}

TEST_F(Regex, EmptyTextAndNoMatchGiveEmptyResults) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("(a)(b)"));
  EXPECT_EQ(m.execute(""), 0);
  EXPECT_EQ(m.matchCount(), 0);
  EXPECT_EQ(m.subMatchCount(), 0);
  EXPECT_EQ(m.matchText(1), "");
  EXPECT_EQ(m.subMatchText(1, 1), "");
  EXPECT_EQ(m.execute("xyz"), 0);
  EXPECT_EQ(m.subMatchCount(), 0);
}

TEST_F(Regex, LaterExecuteWithFewerMatchesDropsHigherNumbers) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("(\\d+)"));
  EXPECT_EQ(m.execute("1 22 333"), 3);
  EXPECT_EQ(m.subMatchText(3, 1), "333");
  EXPECT_EQ(m.execute("44"), 1);
  EXPECT_EQ(m.subMatchText(1, 1), "44");
  EXPECT_EQ(m.subMatchText(2, 1), "");
  EXPECT_EQ(m.matchText(3), "");
}

TEST_F(Regex, NewCompileDropsOldMatches) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("(x)"));
  EXPECT_EQ(m.execute("xx"), 2);
  ASSERT_TRUE(m.compile("(y)"));
  EXPECT_EQ(m.matchCount(), 0);
  EXPECT_EQ(m.matchText(1), "");
  EXPECT_EQ(m.patternText(), "(y)");
}

TEST_F(Regex, WithoutExpressionEverythingIsEmpty) {
  RegexMatcher m;
  EXPECT_EQ(m.execute("abc"), 0);
  EXPECT_EQ(m.patternText(), "");
  EXPECT_EQ(m.replaceAll("abc", "x"), "");
  EXPECT_EQ(m.subMatchCount(), 0);

  ASSERT_TRUE(m.compile("b"));
  m.destroy();
  EXPECT_EQ(m.execute("abc"), 0);
  EXPECT_EQ(m.patternText(), "");
}

TEST_F(Regex, InvalidPatternCompilesButFindsNothing) {
  RegexMatcher m;
  EXPECT_TRUE(m.compile("(unclosed"));
  EXPECT_EQ(m.execute("(unclosed"), 0);
  EXPECT_EQ(m.matchText(1), "");
}

TEST_F(Regex, GroupThatTookNoPartIsEmpty) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("(a)|(b)"));
  EXPECT_EQ(m.execute("b"), 1);
  EXPECT_EQ(m.subMatchCount(), 2);
  EXPECT_EQ(m.subMatchText(1, 1), "");
  EXPECT_EQ(m.subMatchText(1, 2), "b");
}

TEST_F(Regex, ReplaceAllUsesGroupReferences) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("(\\d+) 元"));
  EXPECT_EQ(m.replaceAll("售价 12 元，原价 30 元", "￥$1"), "售价 ￥12，原价 ￥30");
  ASSERT_TRUE(m.compile("(\\d+) 元", true, true, false));
  EXPECT_EQ(m.replaceAll("12 元 30 元", "$1"), "12 30 元");
}

TEST_F(Regex, CopiesShareMatchesAndOutliveTheOriginal) {
  RegexMatcher copy;
  {
    RegexMatcher m;
    ASSERT_TRUE(m.compile("id=(\\d+)"));
    EXPECT_EQ(m.execute("id=1 id=22"), 2);
    copy = m.clone();
    RegexMatcher second(m);
    m.destroy();
    EXPECT_EQ(second.matchCount(), 2);
    EXPECT_EQ(second.subMatchText(2, 1), "22");
  }
  EXPECT_EQ(copy.matchCount(), 2);
  EXPECT_EQ(copy.subMatchText(1, 1), "1");
  EXPECT_EQ(copy.patternText(), "id=(\\d+)");
  // The copy's own execute replaces only its own matches.
  RegexMatcher other = copy;
  EXPECT_EQ(copy.execute("id=7"), 1);
  EXPECT_EQ(other.matchCount(), 2);
  EXPECT_EQ(other.subMatchText(2, 1), "22");
  EXPECT_EQ(copy.subMatchText(1, 1), "7");
}

TEST_F(Regex, GbkChineseComesBackAsTheSameBytes) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("<h3>(.*?)</h3><em>(.*?)</em>"));
  const std::string title = "夏季新款纯棉T恤 男士短袖【包邮】";
  const std::string price = "￥４９．００";
  ASSERT_EQ(m.execute("<h3>" + title + "</h3><em>" + price + "</em>"), 1);
  EXPECT_EQ(m.subMatchText(1, 1), title);
  EXPECT_EQ(m.subMatchText(1, 2), price);
  EXPECT_EQ(m.subMatchText(1, 1).size(), title.size()) << "GBK, two bytes per Chinese character";
  EXPECT_EQ(m.patternText(), "<h3>(.*?)</h3><em>(.*?)</em>");
}

TEST_F(Regex, MatchingCountsCharactersNotBytes) {
  RegexMatcher m;
  // Two characters, four GBK bytes.
  ASSERT_TRUE(m.compile("^(..)$"));
  EXPECT_EQ(m.execute("图片"), 1);
  EXPECT_EQ(m.subMatchText(1, 1), "图片");
}

TEST_F(Regex, CjkCharacterClassPicksEachIdeograph) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("([\\u4e00-\\u9fa5])"));
  EXPECT_EQ(m.execute("img.example/图片_a1，说.jpg"), 3) << "the full-width comma is no ideograph";
  EXPECT_EQ(m.subMatchText(1, 1), "图");
  EXPECT_EQ(m.subMatchText(2, 1), "片");
  EXPECT_EQ(m.subMatchText(3, 1), "说");
  EXPECT_EQ(m.execute("plain/ascii_path.jpg"), 0);
}

TEST_F(Regex, WhitespaceClassAndLazyQuantifier) {
  RegexMatcher m;
  ASSERT_TRUE(m.compile("<p>\\s*(.*?)\\s*</p>"));
  EXPECT_EQ(m.execute("<p> \t a </p><p>b</p>"), 2);
  EXPECT_EQ(m.subMatchText(1, 1), "a");
  EXPECT_EQ(m.subMatchText(2, 1), "b");
}

}  // namespace
