#include "discovery/listing_crawler.h"

#include <windows.h>
#include <objbase.h>

#include "app/app_state.h"
#include "discovery/page_text.h"
#include "util/http.h"
#include "util/text.h"
#include "util/time_stamps.h"

std::string cutLargePage(std::string text) {
  if (text.size() <= kLargeListingPage) return text;
  // Cut at character starts, so the region keeps its double-byte characters whole.
  int from = text::find(text, "下一页");
  if (from > 1) text.erase(0, size_t(from - 1));
  int to = text::find(text, "到第");
  if (to < 0) return {};
  text.resize(size_t(to - 1));
  return text;
}

std::string listingPageAddress(const std::string& mode, const std::string& shopHost, const std::string& categoryId,
                               int categoryKind, int page) {
  const std::string n = std::to_string(page);
  if (mode == "店铺") return "http://" + shopHost + "/search.htm?&pageNum=" + n;
  if (mode != "列表") return {};
  const char* parameter = categoryKind == 1 ? "/search.htm?&search=y&scid=" : "/search.htm?&search=y&catId=";
  return "http://" + shopHost + parameter + categoryId + "&viewType=grid&orderType=_hotsell&pageNum=" + n;
}

namespace {

enum class IdRule { LinkThenTitle, IdThenTitle, TitleThenId };

struct ListingStyle {
  const char* name;
  const char* itemExpression;
  const char* priceExpression;
  IdRule rule;
  // Literal text every match of the item expression holds (ASCII; letter case
  // ignored like the expression's). A page without it cannot match, so the
  // style is passed over without running the expressions.
  const char* itemLiteral;
};

// Tried in this order; the first whose item expression matches is the style.
const ListingStyle kStyles[] = {
    {"普通", "<a target=\"_blank\" href=\"(.*?)\" class=\"permalink\" style=\"\">\n(.*?)\n\\s*</a>",
     "&yen;</s><strong>(.*?)</strong>\n", IdRule::LinkThenTitle, "\" class=\"permalink\" style=\"\">\n"},
    {"旺铺", "<a class=\"item-name\" href=\".*?id=(.*?)\" target=\"_blank\">(.*?)</a>",
     "<span class=\"c-price\">(.*?)</span>", IdRule::IdThenTitle, "<a class=\"item-name\" href=\""},
    {"店铺街", "<a title=\"(.*?)\"  href=\".*?id=(.*?)\" target=\"_blank\">", "<strong>(.*?) 元</strong>",
     IdRule::TitleThenId, "<a title=\""},
    {"旺铺", "<a class=\"item-name\" .*? href=\".*?id=(.*?)\" target=\"_blank\">(.*?)</a>",
     "<span class=\"c-price\">(.*?)</span>", IdRule::IdThenTitle, "<a class=\"item-name\" "},
};

std::string collectModeNow(AppState& state) {
  std::lock_guard<std::mutex> lock(state.crawlMutex);
  return state.collectMode;
}

// COM for the calling thread, released when the thread's work is done.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace

std::vector<ListingItem> ListingMatcher::match(const std::string& text) {
  const ListingStyle* style = nullptr;
  int32_t count = 0;
  for (const ListingStyle& candidate : kStyles) {
    style = &candidate;
    if (text::findNoCase(text, candidate.itemLiteral) < 0) continue;
    item_.compile(candidate.itemExpression);
    count = item_.execute(text);
    if (count > 0) {
      // Prices are only read for the style that matched.
      price_.compile(candidate.priceExpression);
      price_.execute(text);
      break;
    }
  }
  style_ = style->name;

  std::vector<ListingItem> items;
  items.reserve(size_t(count));
  for (int32_t i = 1; i <= count; ++i) {
    ListingItem item;
    switch (style->rule) {
      case IdRule::LinkThenTitle:
        item.id = extractBetween(item_.subMatchText(i, 1), "id=", "&");
        item.title = item_.subMatchText(i, 2);
        break;
      case IdRule::IdThenTitle:
        item.id = item_.subMatchText(i, 1);
        item.title = item_.subMatchText(i, 2);
        break;
      case IdRule::TitleThenId:
        item.id = item_.subMatchText(i, 2);
        item.title = item_.subMatchText(i, 1);
        break;
    }
    if (item.id.empty()) continue;
    // Prices pair with items by match number; subMatchText is empty past the last price.
    item.price = price_.subMatchText(i, 1);
    items.push_back(std::move(item));
  }
  return items;
}

ListingCrawl::ListingCrawl(AppState& state) : state_(state) {}

ListingCrawl::~ListingCrawl() {
  stop();
  join();
}

void ListingCrawl::setOnEnd(std::function<void()> onEnd) { onEnd_ = std::move(onEnd); }

void ListingCrawl::start() {
  join();
  stopping_ = false;
  finishedPages_ = 0;
  liveThreads_ = 5;
  for (int number = 1; number <= 5; ++number) threads_.emplace_back(&ListingCrawl::crawlListing, this, number);
}

void ListingCrawl::stop() { stopping_ = true; }

void ListingCrawl::join() {
  for (std::thread& t : threads_)
    if (t.joinable()) t.join();
  threads_.clear();
}

// Hands out the next page number, or 0 when every page has been taken.
int ListingCrawl::takePage() {
  int taken = state_.crawlNextPage.load();
  do {
    if (taken >= state_.crawlPageCount.load()) return 0;
  } while (!state_.crawlNextPage.compare_exchange_weak(taken, taken + 1));
  return taken + 1;
}

void ListingCrawl::crawlListing(int threadNumber) {
  {
    ComApartment com;
    ListingMatcher matcher;
    const std::string thread = std::to_string(threadNumber);
    while (!stopping_) {
      // A switch to single-item mode ends the crawl: nothing more is fetched.
      const std::string mode = collectModeNow(state_);
      if (mode != "店铺" && mode != "列表") break;
      const int page = takePage();
      if (page == 0) break;

      std::string address;
      {
        std::lock_guard<std::mutex> lock(state_.crawlMutex);
        address = listingPageAddress(mode, state_.crawlShopHost, state_.crawlCategoryId,
                                     state_.crawlCategoryKind.load(), page);
      }
      std::string text = pageText(fetchPage(address));
      const int pageCount = state_.crawlPageCount.load();
      state_.log.append(timestamps::logTime() + "  线程：" + thread + "  正在读取宝贝列表 第：  " +
                        std::to_string(page) + " /" + std::to_string(pageCount) + " 页\r\n");

      text = cutLargePage(std::move(text));
      for (ListingItem& item : matcher.match(text)) {
        std::string itemAddress = "http://" + state_.endpoints.itemPageHost + "/item.htm?id=" + item.id;
        state_.itemList.addItemRow(std::move(item.title), std::move(item.price), std::move(itemAddress),
                                   std::move(item.id));
      }
      state_.log.append(timestamps::logTime() + "  线程：" + thread + "  读取成功，成功提取了：  " +
                        std::to_string(state_.itemList.rowCount()) + "  个宝贝\r\n");

      // Written once, by the thread that finishes the last outstanding page, so
      // the count is the crawl's final one.
      if (finishedPages_.fetch_add(1) + 1 == pageCount)
        state_.log.append(timestamps::logTime() + "  宝贝下载完成 【共提取了：  " +
                          std::to_string(state_.itemList.rowCount()) + "  个宝贝】\r\n");
    }
  }
  if (liveThreads_.fetch_sub(1) == 1 && onEnd_) onEnd_();
}
