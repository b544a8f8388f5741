// Small listing pages in the three page styles, for the discovery tests and
// the crawl benchmark.
#pragma once

#include <string>
#include <vector>

namespace listingpages {

struct Item {
  std::string id, title, price;
};

inline std::string ordinaryWithLinks(const std::vector<std::string>& links) {
  std::string page;
  for (const auto& link : links)
    page += "<li class=\"item\"><a target=\"_blank\" href=\"" + link +
            "\" class=\"permalink\" style=\"\">\nitem\n        </a>\n"
            "<div class=\"price\"><s>&yen;</s><strong>1.00</strong>\n</div></li>\n";
  return page;
}

inline std::string ordinary(const std::vector<Item>& items) {
  std::string page;
  for (const auto& it : items)
    page += "<li class=\"item\"><div class=\"pic\"><a target=\"_blank\" href=\"http://h/item.htm?id=" + it.id +
            "&amp;src=s\"><img src=\"p.jpg\"></a></div>\n"
            "<h3><a target=\"_blank\" href=\"http://h/item.htm?id=" + it.id +
            "&src=s\" class=\"permalink\" style=\"\">\n" + it.title +
            "\n        </a></h3>\n<div class=\"price\"><s>&yen;</s><strong>" + it.price + "</strong>\n</div></li>\n";
  return page;
}

inline std::string storefront(const std::vector<Item>& items) {
  std::string page;
  for (const auto& it : items)
    page += "<dl class=\"item\"><dd><a class=\"item-name\" href=\"http://h/item.htm?id=" + it.id +
            "\" target=\"_blank\">" + it.title + "</a>\n<div><span class=\"c-price\">" + it.price +
            "</span></div></dd></dl>\n";
  return page;
}

// The second storefront variant: further attributes between class and href.
inline std::string storefrontAttributed(const std::vector<Item>& items) {
  std::string page;
  for (const auto& it : items)
    page += "<dl class=\"item\"><dd><a class=\"item-name\" data-spm=\"d" + it.id +
            "\" href=\"http://h/item.htm?id=" + it.id + "\" target=\"_blank\">" + it.title +
            "</a>\n<div><span class=\"c-price\">" + it.price + "</span></div></dd></dl>\n";
  return page;
}

inline std::string street(const std::vector<Item>& items) {
  std::string page;
  for (const auto& it : items)
    page += "<li><a title=\"" + it.title + "\"  href=\"http://h/item.htm?id=" + it.id +
            "\" target=\"_blank\"><img src=\"p.jpg\"></a>\n<p class=\"price\"><strong>" + it.price +
            " 元</strong></p></li>\n";
  return page;
}

// A whole listing page: count and pager around the items.
inline std::string page(const std::string& items, int count, int current, int pages) {
  return "<html><head><title>search</title></head><body>\n"
         "<p>共搜索到<span>" + std::to_string(count) + "</span>个符合条件的商品。</p>\n"
         "<span class=\"page-info\">" + std::to_string(current) + "/" + std::to_string(pages) + "</span>\n"
         "<a class=\"next\">下一页</a>\n<ul>\n" + items + "</ul>\n<p>到第 <input> 页</p>\n</body></html>\n";
}

// `count` items with ids first, first + 1, ... and prices in step.
inline std::vector<Item> numbered(int first, int count) {
  std::vector<Item> items;
  for (int i = 0; i < count; ++i)
    items.push_back({std::to_string(first + i), "宝贝 " + std::to_string(first + i), std::to_string(10 + i) + ".50"});
  return items;
}

}  // namespace listingpages
