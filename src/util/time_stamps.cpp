#include "util/time_stamps.h"

#include <cstdio>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#endif

namespace timestamps {
namespace {

std::mutex g_mutex;
ClockSource g_source;
ClockSnapshot g_snapshot;

// Days from 1970-01-01 to y-m-d in the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

}  // namespace

void setClockSource(ClockSource source) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_source = std::move(source);
}

ClockSnapshot localNow() {
  ClockSource source;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    source = g_source;
  }
  if (source) return source();
  ClockSnapshot s;
#ifdef _WIN32
  SYSTEMTIME st;
  GetLocalTime(&st);
  s = {st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
#endif
  return s;
}

void refreshClock() {
  ClockSnapshot now = localNow();
  std::lock_guard<std::mutex> lock(g_mutex);
  g_snapshot = now;
}

ClockSnapshot lastSnapshot() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_snapshot;
}

int64_t epochValue(const ClockSnapshot& t, bool inSeconds, bool eightHourBase, uint16_t milliseconds) {
  int64_t s = daysFromCivil(t.year, t.month, t.day) * 86400 + int64_t(t.hour) * 3600 + int64_t(t.minute) * 60 +
              int64_t(t.second);
  if (eightHourBase) s -= 8 * 3600;
  return inSeconds ? s : s * 1000 + milliseconds;
}

std::string epochText(bool inSeconds) {
  // The snapshot of this call, then the reading to the second: the milliseconds
  // come from the snapshot taken here, never from another call's.
  ClockSnapshot snap = localNow();
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_snapshot = snap;
  }
  ClockSnapshot now = localNow();
  return std::to_string(epochValue(now, inSeconds, true, snap.milliseconds));
}

std::string logTime() { return logTime(localNow()); }

std::string logTime(const ClockSnapshot& t) {
  std::string s = std::to_string(t.year) + "年" + std::to_string(t.month) + "月" + std::to_string(t.day) + "日";
  if (t.second != 0)
    s += std::to_string(t.hour) + "时" + std::to_string(t.minute) + "分" + std::to_string(t.second) + "秒";
  else if (t.minute != 0)
    s += std::to_string(t.hour) + "时" + std::to_string(t.minute) + "分";
  else if (t.hour != 0)
    s += std::to_string(t.hour) + "时";
  return s;
}

std::string apiTimestamp(const ClockSnapshot& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

}  // namespace timestamps
