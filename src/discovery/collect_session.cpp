#include "discovery/collect_session.h"

#include "discovery/address_recognition.h"
#include "util/text.h"

CollectSession::CollectSession(AppState& state, std::function<void()> idle)
    : state_(state), idle_(std::move(idle)), crawl_(state) {
  crawl_.setOnEnd([this] { finish(); });
}

CollectSession::~CollectSession() { shutdown(); }

void CollectSession::shutdown() {
  closed_ = true;
  if (steps_.joinable()) steps_.join();
  crawl_.stop();
  crawl_.join();
}

bool CollectSession::begin(std::string address, std::string mode) {
  if (closed_ || text::trim(address).empty()) return false;
  bool expected = false;
  if (!busy_.compare_exchange_strong(expected, true)) return false;
  // Threads of the previous address and crawl have ended (or are ending) by now.
  if (steps_.joinable()) steps_.join();
  crawl_.join();
  steps_ = std::thread([this, address = std::move(address), mode = std::move(mode)] {
    if (!addFromAddress(state_, crawl_, address, mode)) finish();
  });
  return true;
}

void CollectSession::wait() {
  if (steps_.joinable()) steps_.join();
  crawl_.join();
}

void CollectSession::finish() {
  busy_ = false;
  if (idle_) idle_();
}
