// The item list as a spreadsheet workbook: heading "宝贝名称", "宝贝价格",
// "宝贝地址", then columns 0 to 2 of every row, all cells text.
#pragma once

#include <string>
#include <vector>

#include "discovery/item_list.h"

std::string itemListWorkbook(const std::vector<ItemRow>& rows);
