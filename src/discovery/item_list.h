// The item list model: rows of (name, price, address, id), safe to use from any
// thread. The list view shows it in owner-data mode; the window learns of
// changes through the notify callback (which posts it a message).
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct ItemRow {
  std::string name;     // column 0 "名称"
  std::string price;    // column 1 "价格"
  std::string address;  // column 2 "宝贝地址"
  std::string id;       // column 3 "ID"
};

class ItemList {
 public:
  void addItemRow(std::string name, std::string price, std::string address, std::string id);
  int rowCount() const;
  // Column 0..3 of a row counted from 0; empty text outside the list.
  std::string cellText(int row, int column) const;
  ItemRow row(int index) const;
  std::vector<ItemRow> snapshot() const;

  void clear();
  // Replaces every row at once (an import).
  void replaceAll(std::vector<ItemRow> rows);
  // Removes exactly the rows with these indexes (any order, duplicates ignored).
  void removeRows(std::vector<int> indexes);

  // Called after every change, on the changing thread, outside the lock.
  void setNotify(std::function<void()> notify);

 private:
  void changed();
  mutable std::mutex mutex_;
  std::vector<ItemRow> rows_;
  std::function<void()> notify_;
};
