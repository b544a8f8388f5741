#include "discovery/address_recognition.h"

#include "app/app_state.h"
#include "discovery/listing_crawler.h"
#include "discovery/page_text.h"
#include "util/http.h"
#include "util/text.h"
#include "util/time_stamps.h"

namespace {

void logLine(AppState& state, const char* message) { state.log.append(timestamps::logTime() + message + "\r\n"); }

void addSingleItem(AppState& state, const std::string& address) {
  const std::string page = pageText(fetchPage(address));
  const std::string id = extractBetween(page, "itemId:#引号", "#引号,");
  if (!text::trim(id).empty()) {
    std::string title = extractBetween(page, "<title>", "</title>");
    if (!text::trim(title).empty()) {
      state.itemList.addItemRow(std::move(title), "", address, id);
      return;
    }
  }
  logLine(state, "  地址输入不正确，未识别到宝贝！");
}

// The result count and page count of a shop or category search page; starts
// the crawl when there are pages.
bool startListing(AppState& state, ListingCrawl& crawl, const std::string& page) {
  const std::string count =
      text::trim(extractBetween(page, "共搜索到<span>", "</span>个符合条件的商品。"));
  state.log.append(timestamps::logTime() + "  共搜索到：" + count + " 个商品\r\n");

  std::string info = extractBetween(page, "<span class=#引号page-info#引号>", "</span>");
  if (info.empty()) info = extractBetween(page, "<b class=#引号ui-page-s-len#引号>", "</b>");
  const std::string pages = textAfterLast(info, "/");
  if (text::leadingNumber(pages) == 0) {
    logLine(state, "  该分类未识别到宝贝！");
    return false;
  }
  state.log.append(timestamps::logTime() + "  宝贝页码从第 1 页到第  " + pages + "  页下载，总页码数是 " + pages +
                   " 页！\r\n");
  state.crawlPageCount = text::leadingInt(pages);
  state.crawlNextPage = 0;
  crawl.start();
  return true;
}

bool addShop(AppState& state, ListingCrawl& crawl, const std::string& address) {
  const std::string host = text::trim(extractBetween(address, "http://", "/"));
  {
    std::lock_guard<std::mutex> lock(state.crawlMutex);
    state.crawlShopHost = host;
  }
  if (host.empty() || host == state.endpoints.itemPageHost || host == state.endpoints.mallItemPageHost) {
    logLine(state, "  店铺地址输入不正确，未识别到宝贝！");
    return false;
  }
  const std::string page = pageText(fetchPage("http://" + host + "/search.htm?search=y"));
  if (page.empty()) logLine(state, "  店铺地址输入不正确，未识别到宝贝！");
  return startListing(state, crawl, page);
}

bool addCategory(AppState& state, ListingCrawl& crawl, const std::string& address) {
  std::string id;
  int kind = 0;
  if (text::find(address, "scid=") > 0) {
    kind = 1;
    id = text::trim(extractBetween(address, "&scid=", "&"));
  }
  if (text::find(address, "catId=") > 0) {
    kind = 2;
    id = text::trim(extractBetween(address, "&catId=", "&"));
  }
  if (text::find(address, "category-") > 0) {
    kind = 2;
    id = text::trim(extractBetween(address, "category-", "."));
  }
  {
    std::lock_guard<std::mutex> lock(state.crawlMutex);
    state.crawlCategoryId = id;
    state.crawlCategoryKind = kind;
  }
  if (id.empty()) {
    logLine(state, "  分类地址输入不正确，未识别到宝贝！");
    return false;
  }
  const std::string page = pageText(fetchPage(address));
  if (page.empty()) logLine(state, "  店铺地址输入不正确，未识别到宝贝！1");
  {
    std::lock_guard<std::mutex> lock(state.crawlMutex);
    state.crawlShopHost = text::trim(extractBetween(address, "http://", "/"));
  }
  return startListing(state, crawl, page);
}

}  // namespace

bool addFromAddress(AppState& state, ListingCrawl& crawl, const std::string& address, const std::string& mode) {
  if (text::trim(address).empty()) return false;
  {
    std::lock_guard<std::mutex> lock(state.crawlMutex);
    state.crawlCategoryId.clear();
    state.crawlCategoryKind = 0;
  }
  if (mode == "单品") {
    addSingleItem(state, address);
    return false;
  }
  if (mode == "店铺") return addShop(state, crawl, address);
  if (mode == "列表") return addCategory(state, crawl, address);
  return false;
}
