#include <gtest/gtest.h>

#include "util/time_stamps.h"

using timestamps::ClockSnapshot;

namespace {

ClockSnapshot at(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  ClockSnapshot c;
  c.year = uint16_t(y), c.month = uint16_t(mo), c.day = uint16_t(d);
  c.hour = uint16_t(h), c.minute = uint16_t(mi), c.second = uint16_t(s), c.milliseconds = uint16_t(ms);
  return c;
}

struct FixedClock {
  explicit FixedClock(ClockSnapshot c) {
    timestamps::setClockSource([c] { return c; });
  }
  ~FixedClock() { timestamps::setClockSource(nullptr); }
};

TEST(EpochValue, CountsFromEightOClockLocal) {
  struct Case {
    ClockSnapshot t;
    bool seconds, eight;
    int64_t expected;
  } cases[] = {
      {at(2013, 7, 31, 16, 0, 0), true, true, 1375257600},
      {at(2013, 7, 31, 16, 0, 0), true, false, 1375257600 + 28800},
      {at(1970, 1, 1, 8, 0, 0), true, true, 0},
      {at(1970, 1, 1, 0, 0, 0), true, true, -28800},
      {at(2000, 2, 29, 8, 0, 0), true, true, 951782400},
  };
  for (const auto& c : cases) EXPECT_EQ(timestamps::epochValue(c.t, c.seconds, c.eight), c.expected);
  EXPECT_EQ(timestamps::epochValue(at(2013, 7, 31, 16, 0, 0), false, true, 123), 1375257600123LL);
}

TEST(EpochText, SecondsAndMillisecondsFromOneCall) {
  FixedClock clock(at(2013, 7, 31, 16, 0, 0, 123));
  EXPECT_EQ(timestamps::epochText(true), "1375257600");
  EXPECT_EQ(timestamps::epochText(false), "1375257600123");
  EXPECT_EQ(timestamps::lastSnapshot().milliseconds, 123);
}

TEST(LogTime, DropsTrailingZeroParts) {
  struct Case {
    ClockSnapshot t;
    std::string expected;
  } cases[] = {
      {at(2013, 7, 31, 8, 5, 9), "2013年7月31日8时5分9秒"},
      {at(2013, 7, 31, 8, 5, 0), "2013年7月31日8时5分"},
      {at(2013, 7, 31, 8, 0, 0), "2013年7月31日8时"},
      {at(2013, 7, 31, 0, 0, 0), "2013年7月31日"},
      {at(2013, 7, 31, 0, 0, 9), "2013年7月31日0时0分9秒"},
  };
  for (const auto& c : cases) EXPECT_EQ(timestamps::logTime(c.t), c.expected);
}

TEST(ApiTimestamp, TwoDigitFields) {
  EXPECT_EQ(timestamps::apiTimestamp(at(2014, 1, 3, 8, 5, 9)), "2014-01-03 08:05:09");
}

}  // namespace
