// The item list file: parse and format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "discovery/list_file.h"
#include "list/item_rows.h"

namespace {

TEST(ListFile, FormatWritesNameIdPriceAddressAndEndsEveryLine) {
  std::vector<ItemRow> rows = {{"连衣裙", "128.00", "http://h/item.htm?id=1", "1"},
                               {"T恤", "", "http://h/item.htm?id=22", "22"}};
  EXPECT_EQ(listfile::format(rows),
            "连衣裙||1||128.00||http://h/item.htm?id=1\r\n"
            "T恤||22||||http://h/item.htm?id=22\r\n");
  EXPECT_EQ(listfile::format({}), "");
}

TEST(ListFile, ParseTakesLinesOfExactlyFourFields) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<ItemRow> rows;
  } cases[] = {
      {"one line, no end", "a||1||2.5||http://x", {{"a", "2.5", "http://x", "1"}}},
      {"CR LF ends", "a||1||2||u\r\nb||3||4||v\r\n", {{"a", "2", "u", "1"}, {"b", "4", "v", "3"}}},
      {"LF only", "a||1||2||u\nb||3||4||v", {{"a", "2", "u", "1"}, {"b", "4", "v", "3"}}},
      {"NUL and Ctrl-Z end lines", std::string("a||1||2||u\0b||3||4||v\x1A" "c||5||6||w", 32),
       {{"a", "2", "u", "1"}, {"b", "4", "v", "3"}, {"c", "6", "w", "5"}}},
      {"CR before NUL dropped", std::string("a||1||2||u\r\0", 12), {{"a", "2", "u", "1"}}},
      {"only one CR dropped", "a||1||2||u\r\r\n", {{"a", "2", "u\r", "1"}}},
      {"blank lines between rows", "a||1||2||u\r\n\r\n\nb||3||4||v\r\n", {{"a", "2", "u", "1"}, {"b", "4", "v", "3"}}},
      {"empty price kept", "a||1||||u\r\n", {{"a", "", "u", "1"}}},
      {"empty name and id kept", "||||9||u\r\n", {{"", "9", "u", ""}}},
      {"empty address: three fields, skipped", "a||1||2||\r\n", {}},
      {"name holding || gives five fields, skipped", "a||b||1||2||u\r\n", {}},
      {"too few fields", "a||1||2\r\n", {}},
      {"a last empty field is dropped", "a||1||2||u||\r\n", {{"a", "2", "u", "1"}}},
      {"five fields", "a||1||2||u||v\r\n", {}},
      {"separators only", "||||||\r\n", {}},
      {"three bars", "a|||1||2||u\r\n", {{"a", "2", "u", "|1"}}},
      {"single bars are text", "a|b||1||2||u|v\r\n", {{"a|b", "2", "u|v", "1"}}},
      {"spaces kept as they are", "  a  || 1 ||2 || u \r\n", {{"  a  ", "2 ", " u ", " 1 "}}},
      // 0x7C as the second byte of a double-byte character is no separator.
      {"double-byte trail bytes", "\x81\x7C\x81\x7C||1||2||u\r\n", {{"\x81\x7C\x81\x7C", "2", "u", "1"}}},
      {"empty file", "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(listfile::parse(c.bytes), c.rows) << c.what;
}

TEST(ListFile, ExportThenImportGivesBackEveryRowTheFormatCanHold) {
  std::vector<ItemRow> rows = {
      {"   前导空格的名称", "10", "http://h/item.htm?id=1", "1"},  // first row: its spaces stay
      {"  second", "", "http://h/item.htm?id=2", "2"},
      {"尾随空格  ", "3.5 ", "http://h/item.htm?id=3", "3"},
      {"", "", "http://h/item.htm?id=4", ""},
      {"a|b", "1|2", "http://h/?a=|", "5"},
  };
  EXPECT_EQ(listfile::parse(listfile::format(rows)), rows);
}

TEST(ListFile, RowsTheFormatCannotHoldAreLostOnlyThemselves) {
  std::vector<ItemRow> rows = {{"ok", "1", "u", "1"},
                               {"has||bars", "1", "u", "2"},
                               {"no address", "1", "", "3"},
                               {"also ok", "2", "v", "4"}};
  EXPECT_EQ(listfile::parse(listfile::format(rows)), (std::vector<ItemRow>{rows[0], rows[3]}));
}

}  // namespace
