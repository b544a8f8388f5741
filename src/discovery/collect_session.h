// Runs "添加到列表" off the window thread: the address steps on a thread of
// their own, then any crawl they start. One at a time; the owner is told when
// the session becomes busy and when it is idle again, so it can keep a second
// click from overwriting the crawl fields the running threads read.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "discovery/listing_crawler.h"

struct AppState;

class CollectSession {
 public:
  // `idle` runs on the thread that finishes the work (the address thread or the
  // last crawler thread); the window hands it on to its own thread.
  CollectSession(AppState& state, std::function<void()> idle);
  ~CollectSession();  // waits for the address steps and stops and joins the crawl
  CollectSession(const CollectSession&) = delete;
  CollectSession& operator=(const CollectSession&) = delete;

  // Starts the steps for the address in `mode`; false (and nothing done) while
  // earlier work still runs or when the address is blank.
  bool begin(std::string address, std::string mode);
  bool busy() const { return busy_.load(); }
  // Waits until the address steps and any crawl they started have ended.
  void wait();
  // The running crawl takes no further page.
  void stop() { crawl_.stop(); }
  // Stops and waits for everything; begin() refuses from then on. The window
  // calls it before it goes, so no thread outlives what it reports to.
  void shutdown();

 private:
  void finish();

  AppState& state_;
  std::function<void()> idle_;
  ListingCrawl crawl_;
  std::thread steps_;
  std::atomic<bool> busy_{false};
  bool closed_ = false;
};
