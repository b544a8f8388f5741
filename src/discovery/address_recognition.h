// What "添加到列表" does with the entered address: one item page becomes one
// row; a shop or category address becomes a listing crawl.
#pragma once

#include <string>

struct AppState;
class ListingCrawl;

// Runs the steps for `address` (the address box's text, untrimmed) in `mode`
// (collectMode) on the calling thread, fetches included, logging to state.log.
// For a listing with result pages it sets the crawl fields and starts `crawl`;
// the result says whether it did.
bool addFromAddress(AppState& state, ListingCrawl& crawl, const std::string& address, const std::string& mode);
