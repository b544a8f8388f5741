#include <gtest/gtest.h>

#include "util/text.h"

namespace {

// "中" in GBK is D6 D0; "|" is 0x7C. The character 0x81 0x7C has "|" as its second byte.
const std::string kPipeTail = "\x81\x7C";

TEST(TextFind, StepsOverDoubleByteCharacters) {
  struct Case {
    std::string hay, needle;
    int start, expected;
  } cases[] = {
      {"abcabc", "bc", 1, 2},
      {"abcabc", "bc", 3, 5},
      {"abcabc", "bc", 0, 2},       // below 1 counts as 1
      {"abc", "x", 1, -1},
      {kPipeTail + "|", "|", 1, 3},  // the "|" inside the double-byte character is skipped
      {"a" + kPipeTail + "b", "|b", 1, -1},
      {"中文中", "中", 2, 5},
  };
  for (const auto& c : cases) EXPECT_EQ(text::find(c.hay, c.needle, c.start), c.expected) << c.hay << " / " << c.needle;
}

TEST(TextFind, NoCaseAndLast) {
  EXPECT_EQ(text::findNoCase("xx<TITLE>t", "<title>"), 3);
  EXPECT_EQ(text::find("xx<TITLE>t", "<title>"), -1);
  EXPECT_EQ(text::findLast("1/2/3", "/"), 4);
  EXPECT_EQ(text::findLast(kPipeTail, "|"), -1);
  EXPECT_TRUE(text::equalsNoCase("PuT", "put"));
}

TEST(TextTrim, SpacesAndFullWidthSpaceOnly) {
  const std::string fw = "\xA1\xA1";
  struct Case {
    std::string in, out;
  } cases[] = {
      {"  a b  ", "a b"},
      {fw + " x" + fw, "x"},
      {"\tx\t", "\tx\t"},  // tabs are not trimmed
      {"", ""},
      {"   ", ""},
      // B0 A1 A1 A1: the A1 A1 at the end is a real full-width space after 啊 (B0 A1)
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
  };
  for (const auto& c : cases) EXPECT_EQ(text::trim(c.in), c.out) << c.in;
}

TEST(TextSplit, KeepsInnerEmptyFieldsDropsEmptyLast) {
  using V = std::vector<std::string>;
  EXPECT_EQ(text::split("a||b||||c", "||"), (V{"a", "b", "", "c"}));
  EXPECT_EQ(text::split("a||b||", "||"), (V{"a", "b"}));
  EXPECT_EQ(text::split("", "||"), V{});
  EXPECT_EQ(text::split("||", "||"), (V{""}));
  EXPECT_EQ(text::split("n" + kPipeTail + "|x||y", "||"), (V{"n" + kPipeTail + "|x", "y"}));
}

TEST(TextReplace, ReplacesEveryAlignedOccurrence) {
  EXPECT_EQ(text::replaceAll("a#b#c", "#", "--"), "a--b--c");
  EXPECT_EQ(text::replaceAll(kPipeTail + "|", "|", "!"), kPipeTail + "!");
  EXPECT_EQ(text::replaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(text::replaceAllNoCase("HTTP://a.jpg x http://A.JPG", "http://a.jpg", "L"), "L x L");
}

TEST(TextNumbers, LeadingNumberAndG13) {
  struct Case {
    std::string in;
    double v;
  } cases[] = {{"12.5元", 12.5}, {"  -3", -3}, {"abc", 0}, {"", 0}, {"1e3x", 1000}, {"7.", 7}, {".5", 0.5}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(text::leadingNumber(c.in), c.v) << c.in;
  EXPECT_EQ(text::leadingInt("42 页"), 42);
  EXPECT_EQ(text::formatG13(0.1 + 0.2), "0.3");
  EXPECT_EQ(text::formatG13(123.456 * 1.1), "135.8016");
  EXPECT_EQ(text::formatG13(100), "100");
  EXPECT_EQ(text::formatG13(1e15), "1e+15");
}

TEST(TextCodePage, GbkRoundTripsThroughUtf16AndUtf8) {
  const std::string gbk = "宝贝名称";  // compiled as GBK bytes
  ASSERT_EQ(gbk, "\xB1\xA6\xB1\xB4\xC3\xFB\xB3\xC6");
  EXPECT_EQ(text::toWide(gbk), L"\u5B9D\u8D1D\u540D\u79F0");
  EXPECT_EQ(text::fromWide(text::toWide(gbk)), gbk);
  EXPECT_EQ(text::gbkToUtf8(gbk), "\xE5\xAE\x9D\xE8\xB4\x9D\xE5\x90\x8D\xE7\xA7\xB0");
  EXPECT_EQ(text::utf8ToGbk(text::gbkToUtf8(gbk)), gbk);
}

}  // namespace
