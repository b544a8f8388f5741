// The shop and category listing crawl: five threads share the result pages of
// one listing, pick the items out of each page and append them to the item list.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "util/regex.h"

struct AppState;

// Listing pages larger than this are cut to their item region before matching.
inline constexpr size_t kLargeListingPage = 512000;

// A text over kLargeListingPage bytes keeps only the region from the first
// "下一页" (the whole text without one) up to the first "到第" after it, and
// becomes empty without "到第". Smaller texts stay as they are.
std::string cutLargePage(std::string text);

// The address of result page `page` of the listing the crawl fields describe:
// the whole shop for "店铺", a category (kind 1 scid, 2 catId) for "列表".
// Empty for any other mode.
std::string listingPageAddress(const std::string& mode, const std::string& shopHost, const std::string& categoryId,
                               int categoryKind, int page);

struct ListingItem {
  std::string title;
  std::string price;
  std::string id;
};

// Recognises the page style and picks the items of a listing page. Owns its two
// matchers, so it belongs to one thread (which has initialised COM).
class ListingMatcher {
 public:
  // "普通", "旺铺" or "店铺街": the style the last match used.
  const std::string& style() const { return style_; }
  // Items in page order; items whose id comes out empty are left out.
  std::vector<ListingItem> match(const std::string& text);

 private:
  RegexMatcher item_;
  RegexMatcher price_;
  std::string style_;
};

// Owns the crawler threads of one crawl at a time. Their page counter and the
// listing they read are the crawl fields of AppState, set before start().
class ListingCrawl {
 public:
  explicit ListingCrawl(AppState& state);
  ~ListingCrawl();  // stops taking pages and joins
  ListingCrawl(const ListingCrawl&) = delete;
  ListingCrawl& operator=(const ListingCrawl&) = delete;

  // Called once per crawl, on the last crawler thread to end.
  void setOnEnd(std::function<void()> onEnd);
  // Joins the threads of an earlier crawl, then starts five threads numbered 1 to 5.
  void start();
  // No thread takes a further page; pages being read are finished.
  void stop();
  void join();
  bool running() const { return liveThreads_.load() > 0; }

 private:
  void crawlListing(int threadNumber);
  int takePage();

  AppState& state_;
  std::function<void()> onEnd_;
  std::vector<std::thread> threads_;
  std::atomic<int> liveThreads_{0};
  std::atomic<int> finishedPages_{0};
  std::atomic<bool> stopping_{false};
};
