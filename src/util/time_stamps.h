// Clock readings: epoch counts for the default package path and picture names,
// and the date-and-time text that begins the operation record's lines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace timestamps {

// The local date and time in GetLocalTime's layout.
struct ClockSnapshot {
  uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// The clock source; tests replace it to fix the time. Must be callable from any thread.
using ClockSource = std::function<ClockSnapshot()>;
void setClockSource(ClockSource source);  // empty restores the platform clock
ClockSnapshot localNow();

// Takes a new snapshot into the routines' own snapshot (read under one lock).
void refreshClock();
ClockSnapshot lastSnapshot();

// Count since 1970-01-01 08:00:00 local, in seconds or milliseconds, as decimal text.
std::string epochText(bool inSeconds = false);
// Count for a given local time against 1970-01-01 08:00:00 (or 00:00:00); the
// milliseconds form adds `milliseconds` (the caller's snapshot).
int64_t epochValue(const ClockSnapshot& time, bool inSeconds = true, bool eightHourBase = true,
                   uint16_t milliseconds = 0);

// "2013年7月31日8时5分9秒", trailing zero parts of the time dropped.
std::string logTime();
std::string logTime(const ClockSnapshot& t);

// "2013-07-31 09:05:03".
std::string apiTimestamp(const ClockSnapshot& t);

}  // namespace timestamps
