// The item list file: GBK text, one row per line, fields joined by "||" in the
// order name, id, price, address. Pure text, so it builds without windows.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "discovery/item_list.h"

namespace listfile {

// The rows of a file's bytes. A line ends at "\n", NUL or 0x1A (and at the end
// of the bytes); one "\r" right before the end is dropped. A line counts only
// when it splits at "||" into exactly four fields (an empty last field is
// dropped, so an empty address makes three); others are skipped. Fields are
// taken as they are, without trimming.
std::vector<ItemRow> parse(std::string_view bytes);

// Every row as "name||id||price||address\r\n", texts as they are.
std::string format(const std::vector<ItemRow>& rows);

}  // namespace listfile
