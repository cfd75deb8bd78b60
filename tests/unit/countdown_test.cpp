#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "allocation_counter.h"
#include "frame/countdown.h"
#include "host/scene_params.h"

namespace {

using namespace std::chrono;

ClockTimeRecord At(int hour, int minute, int second) {
  return {static_cast<std::uint16_t>(hour), static_cast<std::uint16_t>(minute), static_cast<std::uint16_t>(second), 0};
}

// The countdown and its lines at a date and time, the year length taken from the year.
struct Shown {
  CountdownRecord Countdown;
  CountdownLayout Layout;
};

Shown ShowAt(int year, int month, int day, ClockTimeRecord time, float headline = 0.2f, float partner = 0.0f) {
  Shown shown;
  shown.Countdown = ComputeCountdown(month, day, DaysInYearOf(year), time);
  LayOutCountdown(shown.Countdown, headline, partner, shown.Layout);
  return shown;
}

std::string Text(const Shown& shown, int line) { return shown.Layout.Lines[line].Text; }

void ExpectNumberLines(const Shown& shown, const char* days, const char* hours, const char* minutes,
                       const char* seconds) {
  EXPECT_EQ(Text(shown, 2), days);
  EXPECT_EQ(Text(shown, 3), hours);
  EXPECT_EQ(Text(shown, 4), minutes);
  EXPECT_EQ(Text(shown, 5), seconds);
}

TEST(MonthStart, AgreesWithTheCalendarInBothYearLengths) {
  for (int y : {2025, 2024}) {
    const sys_days newYear = year(y) / January / 1;
    for (unsigned m = 1; m <= 12; ++m) {
      const sys_days first = year(y) / month(m) / 1;
      EXPECT_EQ(MonthStart(DaysInYearOf(y), static_cast<std::int32_t>(m)), (first - newYear).count())
          << y << "-" << m;
    }
  }
}

TEST(MonthStart, AnImpossibleMonthStaysInsideTheTable) {
  EXPECT_EQ(MonthStart(365, 0), 0);
  EXPECT_EQ(MonthStart(365, 13), 334);
  EXPECT_EQ(MonthStart(366, 13), 335);
}

TEST(Countdown, WorkedExampleOnTwentiethDecember) {
  const Shown shown = ShowAt(2026, 12, 20, At(14, 25, 10));
  EXPECT_EQ(shown.Countdown.DayOfYear, 354);
  EXPECT_EQ(shown.Countdown.DaysToNewYear, 11);
  EXPECT_EQ(shown.Countdown.DaysToChristmas, 4);
  EXPECT_EQ(shown.Layout.Display, CountdownDisplay::Christmas);
  EXPECT_EQ(Text(shown, 0), "Up to Christmas");
  EXPECT_EQ(Text(shown, 1), "Merry Christmas!");
  ExpectNumberLines(shown, "4 Days", "9 Hours", "34 Min", "49 Sec");
}

TEST(Countdown, ChristmasEveIsTheLastDayOfTheChristmasDisplay) {
  const Shown shown = ShowAt(2026, 12, 24, At(10, 0, 0));
  EXPECT_EQ(shown.Countdown.DayOfYear, 358);
  EXPECT_EQ(shown.Countdown.DaysToNewYear, 7);
  EXPECT_EQ(shown.Layout.Display, CountdownDisplay::Christmas);
  ExpectNumberLines(shown, "0 Days", "13 Hours", "59 Min", "59 Sec");
}

TEST(Countdown, ChristmasDayStartsTheNewYearDisplay) {
  const Shown shown = ShowAt(2026, 12, 25, At(0, 0, 0));
  EXPECT_EQ(shown.Countdown.DayOfYear, 359);
  EXPECT_EQ(shown.Countdown.DaysToNewYear, 6);
  EXPECT_EQ(shown.Layout.Display, CountdownDisplay::NewYear);
  EXPECT_EQ(Text(shown, 0), "Up to New Year");
  EXPECT_EQ(Text(shown, 1), "Heppy New Year!");
  ExpectNumberLines(shown, "6 Days", "23 Hours", "59 Min", "59 Sec");
}

TEST(Countdown, DisplaySwitchesBetweenTheTwentyFourthAndTwentyFifthInBothYearLengths) {
  for (int year : {2026, 2028}) {
    EXPECT_EQ(ShowAt(year, 12, 24, At(23, 59, 59)).Layout.Display, CountdownDisplay::Christmas) << year;
    EXPECT_EQ(ShowAt(year, 12, 25, At(0, 0, 0)).Layout.Display, CountdownDisplay::NewYear) << year;
  }
}

TEST(Countdown, LastSecondOfTheYearThenFirstOfTheNext) {
  const Shown last = ShowAt(2026, 12, 31, At(23, 59, 59));
  EXPECT_EQ(last.Layout.Display, CountdownDisplay::NewYear);
  ExpectNumberLines(last, "0 Days", "0 Hours", "0 Min", "0 Sec");

  const Shown next = ShowAt(2027, 1, 1, At(0, 0, 0));
  EXPECT_EQ(next.Layout.Display, CountdownDisplay::Christmas);
  EXPECT_EQ(next.Countdown.DayOfYear, 1);
  ExpectNumberLines(next, "357 Days", "23 Hours", "59 Min", "59 Sec");

  // After a 366-day year, the new year's own length counts.
  EXPECT_EQ(Text(ShowAt(2029, 1, 1, At(0, 0, 0)), 2), "357 Days");
  // Into a 366-day year there is one day more to go.
  EXPECT_EQ(Text(ShowAt(2028, 1, 1, At(0, 0, 0)), 2), "358 Days");
}

TEST(Countdown, FirstOfMarchInBothYearLengths) {
  EXPECT_EQ(ShowAt(2024, 3, 1, At(12, 0, 0)).Countdown.DayOfYear, 61);
  EXPECT_EQ(ShowAt(2025, 3, 1, At(12, 0, 0)).Countdown.DayOfYear, 60);
  // Both are 305 days from New Year's Day.
  EXPECT_EQ(ShowAt(2024, 3, 1, At(12, 0, 0)).Countdown.DaysToNewYear, 305);
  EXPECT_EQ(ShowAt(2025, 3, 1, At(12, 0, 0)).Countdown.DaysToNewYear, 305);
}

TEST(Countdown, EverySecondOfTheDayLeavesTimeInRange) {
  for (int s = 0; s < 86400; ++s) {
    const CountdownRecord c = ComputeCountdown(6, 1, 365, At(s / 3600, s / 60 % 60, s % 60));
    ASSERT_GE(c.HoursLeft, 0);
    ASSERT_LE(c.HoursLeft, 23);
    ASSERT_GE(c.MinutesLeft, 0);
    ASSERT_LE(c.MinutesLeft, 59);
    ASSERT_GE(c.SecondsLeft, 0);
    ASSERT_LE(c.SecondsLeft, 59);
    // One second short of the end of the day.
    ASSERT_EQ(s + c.HoursLeft * 3600 + c.MinutesLeft * 60 + c.SecondsLeft, 86399);
  }
}

// The moment plus what the display shows lands one second before the holiday
// it counts to, on every day of a common and of a leap year.
TEST(Countdown, EveryDayCountsToOneSecondBeforeTheHoliday) {
  const ClockTimeRecord times[] = {At(0, 0, 0), At(0, 0, 1), At(10, 0, 0), At(14, 25, 10), At(23, 59, 58),
                                   At(23, 59, 59)};
  for (int y : {2025, 2024}) {
    const sys_days christmas = year(y) / December / 25;
    const sys_days newYear = year(y + 1) / January / 1;
    int dayCount = 0;
    for (sys_days d = year(y) / January / 1; d < newYear; d += days(1), ++dayCount) {
      const year_month_day ymd(d);
      const int m = static_cast<int>(unsigned(ymd.month())), day = static_cast<int>(unsigned(ymd.day()));
      for (const ClockTimeRecord& t : times) {
        const Shown shown = ShowAt(y, m, day, t);
        const bool newYearDisplay = d >= christmas;
        ASSERT_EQ(shown.Layout.Display, newYearDisplay ? CountdownDisplay::NewYear : CountdownDisplay::Christmas)
            << y << "-" << m << "-" << day;
        const sys_seconds moment = d + hours(t.Hour) + minutes(t.Minute) + seconds(t.Second);
        const std::int32_t shownDays =
            newYearDisplay ? shown.Countdown.DaysToNewYear : shown.Countdown.DaysToChristmas;
        const sys_seconds reached = moment + days(shownDays) + hours(shown.Countdown.HoursLeft) +
                                    minutes(shown.Countdown.MinutesLeft) + seconds(shown.Countdown.SecondsLeft);
        ASSERT_EQ(reached, (newYearDisplay ? newYear : christmas) - seconds(1)) << y << "-" << m << "-" << day << " " << t.Hour << ":"
                                                                                << t.Minute << ":" << t.Second;
        ASSERT_EQ(std::atoi(shown.Layout.Lines[2].Text), shownDays);
      }
    }
    EXPECT_EQ(dayCount, DaysInYearOf(y));
  }
}

TEST(CountdownLayout, ChristmasLinesStandWhereTheyShould) {
  const Shown shown = ShowAt(2026, 12, 20, At(14, 25, 10), 0.15f, 0.05f);
  const Extended xs[6] = {-0.4L, -0.39L, -0.4L, -0.4L, -0.4L, -0.4L};
  const Extended ys[6] = {0.5L, 0.5L, 0.35L, 0.2L, 0.05L, -0.1L};
  const bool setsColour[6] = {true, true, true, false, false, false};
  const float alphas[6] = {0.15f, 0.05f, 0.2f, 0.2f, 0.2f, 0.2f};
  for (int i = 0; i < 6; ++i) {
    const CountdownLine& line = shown.Layout.Lines[i];
    EXPECT_EQ(line.X, xs[i]) << i;
    EXPECT_EQ(line.Y, ys[i]) << i;
    EXPECT_EQ(line.SetsColour, setsColour[i]) << i;
    EXPECT_EQ(line.Alpha, alphas[i]) << i;
  }
}

TEST(CountdownLayout, NewYearLinesStandWhereTheyShould) {
  const Shown shown = ShowAt(2026, 12, 28, At(1, 2, 3), 0.1f, 0.1f);
  const Extended xs[6] = {-0.4L, -0.39L, -0.5L, -0.5L, -0.5L, -0.5L};
  const Extended ys[6] = {0.45L, 0.45L, 0.3L, 0.15L, 0.0L, -0.15L};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(shown.Layout.Lines[i].X, xs[i]) << i;
    EXPECT_EQ(shown.Layout.Lines[i].Y, ys[i]) << i;
  }
  ExpectNumberLines(shown, "3 Days", "22 Hours", "57 Min", "56 Sec");
}

TEST(CountdownLayout, NumbersAreDecimalWithSignAndNoPadding) {
  CountdownRecord c;
  c.DaysToNewYear = 100;  // Christmas display
  c.DaysToChristmas = -5;
  c.HoursLeft = 0;
  c.MinutesLeft = INT32_MIN;
  c.SecondsLeft = INT32_MAX;
  CountdownLayout layout;
  LayOutCountdown(c, 0, 0, layout);
  EXPECT_STREQ(layout.Lines[2].Text, "-5 Days");
  EXPECT_STREQ(layout.Lines[3].Text, "0 Hours");
  EXPECT_STREQ(layout.Lines[4].Text, "-2147483648 Min");
  EXPECT_STREQ(layout.Lines[5].Text, "2147483647 Sec");
}

TEST(CountdownLayout, ReusedLayoutKeepsNoTrailOfLongerText) {
  CountdownLayout layout;
  LayOutCountdown(ComputeCountdown(1, 1, 365, At(0, 0, 0)), 0, 0, layout);
  ASSERT_STREQ(layout.Lines[2].Text, "357 Days");
  LayOutCountdown(ComputeCountdown(12, 24, 365, At(0, 0, 0)), 0, 0, layout);
  EXPECT_STREQ(layout.Lines[2].Text, "0 Days");
  LayOutCountdown(ComputeCountdown(12, 30, 365, At(0, 0, 0)), 0, 0, layout);
  EXPECT_STREQ(layout.Lines[0].Text, "Up to New Year");
}

TEST(CountdownLayout, FormattingTheLinesAllocatesNothing) {
  CountdownLayout layout;
  std::int32_t sink = 0;
  const std::size_t before = HeapAllocations();
  for (int day = 1; day <= 31; ++day) {
    const CountdownRecord c = ComputeCountdown(12, day, 366, At(day % 24, day, 59 - day));
    LayOutCountdown(c, 0.1f, 0.1f, layout);
    sink += layout.Lines[2].Text[0];
  }
  EXPECT_EQ(HeapAllocations(), before);
  // The counter sees allocations at all.
  std::string* probe = new std::string(64, 'x');
  EXPECT_GT(HeapAllocations(), before);
  delete probe;
  EXPECT_NE(sink, 0);
}

}  // namespace
