#include <gtest/gtest.h>

#include "discovery/page_text.h"

namespace {

TEST(PageText, NulBytesBecomeSpaces) {
  EXPECT_EQ(pageText(std::string("a\0b\0", 4)), "a b ");
  EXPECT_EQ(pageText(""), "");
}

TEST(ExtractBetween, Markers) {
  struct Case {
    const char* what;
    std::string text, left, right;
    int start;
    bool caseSensitive;
    std::string expected;
  } cases[] = {
      {"plain", "a[x]b", "[", "]", 1, false, "x"},
      {"first of several", "a[1]b[2]", "[", "]", 1, false, "1"},
      {"left missing", "a[x]b", "{", "]", 1, false, ""},
      {"right missing", "a[x", "[", "]", 1, false, ""},
      {"empty between", "[]", "[", "]", 1, false, ""},
      {"quote placeholder", "say \"hi\" and \"bye\"", "#引号", "#引号", 1, false, "hi"},
      {"placeholder inside a marker", "itemId:\"123\",x", "itemId:#引号", "#引号,", 1, false, "123"},
      {"letter case ignored", "<TITLE>T</TITLE>", "<title>", "</title>", 1, false, "T"},
      {"letter case kept", "<TITLE>T</TITLE>", "<title>", "</title>", 1, true, ""},
      {"start skips an earlier left", "a[1]b[2]", "[", "]", 4, false, "2"},
      {"start below 1", "a[1]b[2]", "[", "]", -5, false, "1"},
      {"start past the end", "a[1]", "[", "]", 10, false, ""},
      {"right taken from just after left", "xx[ab]cd]", "[", "]", 3, false, "ab"},
      // 0x81 0x7C is one character whose second byte is "|"; it is no marker.
      {"left steps over double-byte", "\x81|<a>", "|", ">", 1, false, ""},
      {"left after double-byte", "\x81||a|", "|", "|", 1, false, "a"},
      {"right steps over double-byte", "[x\x81]y]", "[", "]", 1, false, "x\x81]y"},
      {"chinese markers", "共搜索到<span>12</span>个符合条件的商品。", "共搜索到<span>", "</span>个符合条件的商品。", 1,
       false, "12"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(extractBetween(c.text, c.left, c.right, c.start, c.caseSensitive), c.expected) << c.what;
}

TEST(TextAfterLast, LastMarkerCaseSensitive) {
  struct Case {
    std::string text, marker, expected;
  } cases[] = {
      {"1/3", "/", "3"},
      {"1/2/30", "/", "30"},
      {"12", "/", ""},
      {"a/", "/", ""},
      {"xPyp z", "P", "yp z"},
      {"a|b\x81|", "|", "b\x81|"},  // the "|" inside 0x81 0x7C does not count
  };
  for (const auto& c : cases) EXPECT_EQ(textAfterLast(c.text, c.marker), c.expected) << c.text;
}

}  // namespace
