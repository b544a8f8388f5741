#include "discovery/item_list_workbook.h"

#include "discovery/xls_workbook.h"
#include "util/text.h"

namespace {

std::u16string utf16(const std::string& gbk) {
  std::wstring w = text::toWide(gbk);
  return std::u16string(w.begin(), w.end());
}

}  // namespace

std::string itemListWorkbook(const std::vector<ItemRow>& rows) {
  std::vector<std::vector<std::u16string>> cells;
  cells.reserve(rows.size());
  for (const ItemRow& r : rows) cells.push_back({utf16(r.name), utf16(r.price), utf16(r.address)});
  return xls::textWorkbook({utf16("宝贝名称"), utf16("宝贝价格"), utf16("宝贝地址")}, cells);
}
