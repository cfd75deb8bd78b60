// The Linux savers' wall clock in zones off UTC: one with summer time
// (New York: UTC-5, UTC-4 from the second Sunday of March at 02:00 to the
// first Sunday of November at 02:00) and one half an hour off the hour
// (Kolkata: UTC+5:30 all year).
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "host/time/local_clock.h"

namespace {

using namespace std::chrono;

// Sets TZ for the test and puts the earlier value back after it.
class Zone {
 public:
  explicit Zone(const char* zone) {
    const char* saved = getenv("TZ");
    had_ = saved != nullptr;
    if (had_) saved_ = saved;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~Zone() {
    if (had_) setenv("TZ", saved_.c_str(), 1); else unsetenv("TZ");
    tzset();
  }

 private:
  bool had_ = false;
  std::string saved_;
};

std::string Text(const LocalMoment& m) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", m.Year, m.Month, m.Day, m.Hour, m.Minute,
                m.Second, m.Millisecond);
  return text;
}

// The instant of a UTC date and time, with milliseconds.
timespec Utc(year_month_day date, int hour, int minute, int second, int millisecond = 0) {
  const sys_seconds at = sys_days{date} + hours{hour} + minutes{minute} + seconds{second};
  return {static_cast<time_t>(at.time_since_epoch().count()), millisecond * 1000000L};
}

TEST(LocalClock, TellsTheZonesTimeAcrossSummerTimeAndHalfHourOffsets) {
  struct Row {
    const char* zone;
    timespec utc;
    const char* local;
  };
  const Row rows[] = {
      // Winter: five hours behind.
      {"America/New_York", Utc(2026y / December / 20, 19, 25, 10), "2026-12-20 14:25:10.000"},
      // Summer time begins: the last second of 01:59 standard time, then 03:00 summer time.
      {"America/New_York", Utc(2026y / March / 8, 6, 59, 59, 250), "2026-03-08 01:59:59.250"},
      {"America/New_York", Utc(2026y / March / 8, 7, 0, 0), "2026-03-08 03:00:00.000"},
      // Summer time ends: 01:59:59 summer time, then 01:00 again, an hour later 02:00.
      {"America/New_York", Utc(2026y / November / 1, 5, 59, 59, 999), "2026-11-01 01:59:59.999"},
      {"America/New_York", Utc(2026y / November / 1, 6, 0, 0), "2026-11-01 01:00:00.000"},
      {"America/New_York", Utc(2026y / November / 1, 6, 59, 59), "2026-11-01 01:59:59.000"},
      {"America/New_York", Utc(2026y / November / 1, 7, 0, 0), "2026-11-01 02:00:00.000"},
      // Before the New Year in UTC: still the old year's evening.
      {"America/New_York", Utc(2027y / January / 1, 4, 59, 59), "2026-12-31 23:59:59.000"},
      {"America/New_York", Utc(2027y / January / 1, 5, 0, 0), "2027-01-01 00:00:00.000"},
      // Five and a half hours ahead, on both sides of the zone's midnight.
      {"Asia/Kolkata", Utc(2026y / December / 20, 8, 55, 10), "2026-12-20 14:25:10.000"},
      {"Asia/Kolkata", Utc(2026y / December / 31, 18, 29, 59, 999), "2026-12-31 23:59:59.999"},
      {"Asia/Kolkata", Utc(2026y / December / 31, 18, 30, 0), "2027-01-01 00:00:00.000"},
      // No summer time: the day New York's begins changes nothing here.
      {"Asia/Kolkata", Utc(2026y / March / 8, 7, 0, 0), "2026-03-08 12:30:00.000"},
  };
  for (const Row& row : rows) {
    Zone zone(row.zone);
    EXPECT_EQ(Text(LocalMomentOf(row.utc)), row.local) << row.zone << " at " << row.utc.tv_sec;
  }
}

// The clock itself, read now, in a zone with no summer time to step over:
// UTC five and a half hours on.
TEST(LocalClock, ReadsTheSystemClockInTheZone) {
  Zone zone("Asia/Kolkata");
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto before = system_clock::now();
    const LocalMoment now = SystemLocalNow();
    const auto after = system_clock::now();
    const auto local = [](system_clock::time_point t) {
      const auto shifted = floor<seconds>(t) + hours{5} + minutes{30};
      const year_month_day date{floor<days>(shifted)};
      const hh_mm_ss time{shifted - floor<days>(shifted)};
      char text[40];
      std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02ld", int(date.year()), unsigned(date.month()),
                    unsigned(date.day()), long(time.hours().count()), long(time.minutes().count()),
                    long(time.seconds().count()));
      return std::string(text);
    };
    // Read within one second: retried if the second turned meanwhile.
    if (local(before) != local(after)) continue;
    EXPECT_EQ(Text(now).substr(0, 19), local(before));
    return;
  }
  FAIL() << "the second turned on every attempt";
}

}  // namespace
