// A state whose clock stands still and a loopback server that plays the
// marketplace: item pages, shop search pages and listing pages.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/app_state.h"
#include "support/loopback_server.h"
#include "util/time_stamps.h"

class DiscoveryTest : public ::testing::Test {
 protected:
  DiscoveryTest() {
    timestamps::setClockSource([] {
      timestamps::ClockSnapshot t;
      t.year = 2013, t.month = 7, t.day = 31, t.hour = 8, t.minute = 5, t.second = 9;
      return t;
    });
    // Item addresses of listed items are only written into rows, never fetched.
    state.endpoints.itemPageHost = "item.example";
    state.endpoints.mallItemPageHost = "mall.example";
  }
  ~DiscoveryTest() override { timestamps::setClockSource({}); }

  // One operation-record line.
  static std::string line(const std::string& message) { return timestamps::logTime() + message + "\r\n"; }
  // Sets collectMode the way the page switch does.
  void setMode(const std::string& mode) {
    std::lock_guard<std::mutex> lock(state.crawlMutex);
    state.collectMode = mode;
  }
  size_t requestsFor(const std::string& path) const {
    size_t n = 0;
    for (const auto& r : server.requests()) n += r.path == path;
    return n;
  }

  loopback::LoopbackServer server;
  AppState state;
};
