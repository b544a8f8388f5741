// Comparing and printing item rows in assertions.
#pragma once

#include <ostream>

#include "discovery/item_list.h"

inline bool operator==(const ItemRow& a, const ItemRow& b) {
  return a.name == b.name && a.price == b.price && a.address == b.address && a.id == b.id;
}

inline void PrintTo(const ItemRow& r, std::ostream* os) {
  *os << "{" << r.name << " | " << r.price << " | " << r.address << " | " << r.id << "}";
}
