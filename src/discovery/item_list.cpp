#include "discovery/item_list.h"

#include <algorithm>

void ItemList::addItemRow(std::string name, std::string price, std::string address, std::string id) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    rows_.push_back({std::move(name), std::move(price), std::move(address), std::move(id)});
  }
  changed();
}

int ItemList::rowCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return int(rows_.size());
}

std::string ItemList::cellText(int row, int column) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (row < 0 || size_t(row) >= rows_.size()) return {};
  const ItemRow& r = rows_[size_t(row)];
  switch (column) {
    case 0: return r.name;
    case 1: return r.price;
    case 2: return r.address;
    case 3: return r.id;
    default: return {};
  }
}

ItemRow ItemList::row(int index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < 0 || size_t(index) >= rows_.size()) return {};
  return rows_[size_t(index)];
}

std::vector<ItemRow> ItemList::snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rows_;
}

void ItemList::clear() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    rows_.clear();
  }
  changed();
}

void ItemList::replaceAll(std::vector<ItemRow> rows) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    rows_ = std::move(rows);
  }
  changed();
}

void ItemList::removeRows(std::vector<int> indexes) {
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ItemRow> kept;
    kept.reserve(rows_.size());
    size_t k = 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
      while (k < indexes.size() && indexes[k] < int(i)) ++k;
      if (k < indexes.size() && indexes[k] == int(i)) continue;
      kept.push_back(std::move(rows_[i]));
    }
    rows_ = std::move(kept);
  }
  changed();
}

void ItemList::setNotify(std::function<void()> notify) {
  std::lock_guard<std::mutex> lock(mutex_);
  notify_ = std::move(notify);
}

void ItemList::changed() {
  std::function<void()> notify;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    notify = notify_;
  }
  if (notify) notify();
}
