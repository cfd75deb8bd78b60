#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "allocation_counter.h"
#include "base/scene_params.h"
#include "frame/countdown.h"

namespace {

using namespace std::chrono;

ClockTimeRecord At(int h, int m, int s) {
  return {static_cast<std::uint16_t>(h), static_cast<std::uint16_t>(m), static_cast<std::uint16_t>(s), 0};
}

struct Shown {
  CountdownRecord Countdown;
  CountdownLayout Layout;
};

// The countdown at a date and time, the year length that of the year.
Shown ShowAt(int y, int m, int d, ClockTimeRecord time) {
  Shown shown;
  shown.Countdown = ComputeCountdown(m, d, DaysInYearOf(y), time);
  LayOutCountdown(shown.Countdown, 0.2f, 0.0f, shown.Layout);
  return shown;
}

TEST(MonthStart, AgreesWithTheCalendarInBothYearLengths) {
  for (int y : {2025, 2024})
    for (unsigned m = 1; m <= 12; ++m)
      EXPECT_EQ(MonthStart(DaysInYearOf(y), int(m)), (sys_days(year(y) / month(m) / 1) - sys_days(year(y) / 1 / 1)).count())
          << y << "-" << m;
}

TEST(Countdown, EdgesOfTheYear) {
  struct Case {
    int y, m, d;
    ClockTimeRecord time;
    int dayOfYear, daysToNewYear;
    const char* lines[6];
  };
  const Case cases[] = {
      // The worked example: 14:25:10 on 20 December.
      {2026, 12, 20, At(14, 25, 10), 354, 11,
       {"Up to Christmas", "Merry Christmas!", "4 Days", "9 Hours", "34 Min", "49 Sec"}},
      // Christmas Eve is the last day of the Christmas display ...
      {2026, 12, 24, At(10, 0, 0), 358, 7, {"Up to Christmas", "", "0 Days", "13 Hours", "59 Min", "59 Sec"}},
      {2028, 12, 24, At(23, 59, 59), 359, 7, {"Up to Christmas", "", "0 Days", "0 Hours", "0 Min", "0 Sec"}},
      // ... and Christmas Day the first of the New Year display.
      {2026, 12, 25, At(0, 0, 0), 359, 6,
       {"Up to New Year", "Heppy New Year!", "6 Days", "23 Hours", "59 Min", "59 Sec"}},
      {2028, 12, 25, At(0, 0, 0), 360, 6, {"Up to New Year", "", "6 Days", "23 Hours", "59 Min", "59 Sec"}},
      {2026, 12, 31, At(23, 59, 59), 365, 0, {"Up to New Year", "", "0 Days", "0 Hours", "0 Min", "0 Sec"}},
      // One second later, and after a leap year, and into one.
      {2027, 1, 1, At(0, 0, 0), 1, 364, {"Up to Christmas", "", "357 Days", "23 Hours", "59 Min", "59 Sec"}},
      {2029, 1, 1, At(0, 0, 0), 1, 364, {"", "", "357 Days"}},
      {2028, 1, 1, At(0, 0, 0), 1, 365, {"", "", "358 Days"}},
      // The first of March in both year lengths.
      {2024, 3, 1, At(12, 0, 0), 61, 305, {"", "", "298 Days"}},
      {2025, 3, 1, At(12, 0, 0), 60, 305, {"", "", "298 Days"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
    const Shown shown = ShowAt(c.y, c.m, c.d, c.time);
    EXPECT_EQ(shown.Countdown.DayOfYear, c.dayOfYear);
    EXPECT_EQ(shown.Countdown.DaysToNewYear, c.daysToNewYear);
    EXPECT_EQ(shown.Countdown.DaysToChristmas, c.daysToNewYear - 7);
    EXPECT_EQ(shown.Layout.Display, c.daysToNewYear >= 7 ? CountdownDisplay::Christmas : CountdownDisplay::NewYear);
    for (int i = 0; i < 6; ++i)
      if (c.lines[i] && *c.lines[i]) {
        EXPECT_STREQ(shown.Layout.Lines[i].Text, c.lines[i]) << i;
      }
  }
}

TEST(Countdown, EverySecondOfTheDayLeavesTheRestOfTheDayOneSecondShort) {
  for (int s = 0; s < 86400; ++s) {
    const CountdownRecord c = ComputeCountdown(6, 1, 365, At(s / 3600, s / 60 % 60, s % 60));
    ASSERT_TRUE(c.HoursLeft >= 0 && c.HoursLeft <= 23 && c.MinutesLeft >= 0 && c.MinutesLeft <= 59 &&
                c.SecondsLeft >= 0 && c.SecondsLeft <= 59)
        << s;
    ASSERT_EQ(s + c.HoursLeft * 3600 + c.MinutesLeft * 60 + c.SecondsLeft, 86399);
  }
}

// The moment plus what the display shows lands one second before the holiday
// it counts to, on every day of a common and of a leap year.
TEST(Countdown, EveryDayCountsToOneSecondBeforeTheHoliday) {
  for (int y : {2025, 2024}) {
    const sys_days christmas = year(y) / December / 25, newYear = year(y + 1) / January / 1;
    int dayCount = 0;
    for (sys_days d = year(y) / January / 1; d < newYear; d += days(1), ++dayCount) {
      const year_month_day date(d);
      const int m = int(unsigned(date.month())), day = int(unsigned(date.day()));
      for (const ClockTimeRecord& t : {At(0, 0, 0), At(14, 25, 10), At(23, 59, 59)}) {
        const Shown shown = ShowAt(y, m, day, t);
        const bool toNewYear = d >= christmas;
        ASSERT_EQ(shown.Layout.Display, toNewYear ? CountdownDisplay::NewYear : CountdownDisplay::Christmas)
            << y << "-" << m << "-" << day;
        const CountdownRecord& c = shown.Countdown;
        const int shownDays = std::atoi(shown.Layout.Lines[2].Text);
        const sys_seconds reached = d + hours(t.Hour + c.HoursLeft) + minutes(t.Minute + c.MinutesLeft) +
                                    seconds(t.Second + c.SecondsLeft) + days(shownDays);
        ASSERT_EQ(reached, (toNewYear ? newYear : christmas) - seconds(1)) << y << "-" << m << "-" << day;
      }
    }
    EXPECT_EQ(dayCount, DaysInYearOf(y));
  }
}

TEST(CountdownLayout, NumbersAreDecimalWithSignAndNoPaddingInFixedBuffers) {
  CountdownRecord c;
  c.DaysToNewYear = 100;
  c.DaysToChristmas = -5;
  c.MinutesLeft = INT32_MIN;
  c.SecondsLeft = INT32_MAX;
  CountdownLayout layout;
  const std::size_t before = HeapAllocations();
  LayOutCountdown(c, 0, 0, layout);
  for (int day = 1; day <= 31; ++day) LayOutCountdown(ComputeCountdown(12, day, 366, At(0, 0, 0)), 0, 0, layout);
  EXPECT_EQ(HeapAllocations(), before);  // nothing allocated per frame
  EXPECT_STREQ(layout.Lines[2].Text, "0 Days");
  LayOutCountdown(c, 0, 0, layout);
  EXPECT_STREQ(layout.Lines[2].Text, "-5 Days");
  EXPECT_STREQ(layout.Lines[3].Text, "0 Hours");
  EXPECT_STREQ(layout.Lines[4].Text, "-2147483648 Min");
  EXPECT_STREQ(layout.Lines[5].Text, "2147483647 Sec");
  // The counter does see allocations.
  static char* volatile escape;
  escape = new char[64];
  delete[] escape;
  EXPECT_GT(HeapAllocations(), before);
}

}  // namespace
