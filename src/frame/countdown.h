// The holiday countdown: six lines of swaying, translucent outline text that
// count the days, hours, minutes and seconds down to Christmas, or in the last
// week of the year to New Year, under a heading pair that cross-fades between
// the holiday's name and a greeting.
#pragma once

#include <cstdint>

#include "base/extended.h"
#include "frame/frame.h"
#include "frame/frame_state.h"

// Rewritten from scratch by every frame.
struct CountdownRecord {
  std::int32_t DayOfYear = 0;  // 1 on 1 January
  std::int32_t DaysToNewYear = 0;
  std::int32_t DaysToChristmas = 0;
  std::int32_t HoursLeft = 0;    // the time left in the day, one second short:
  std::int32_t MinutesLeft = 0;  // 23:59:59 leaves 0, 0 and 0
  std::int32_t SecondsLeft = 0;
};

enum class CountdownDisplay { Christmas, NewYear };

// One printed line: its text, whether it sets the colour (1, 1, 1, Alpha)
// itself or keeps the one before, the alpha it is drawn with either way, and
// its anchor (X is a multiple of the aspect).
struct CountdownLine {
  char Text[24] = {};
  bool SetsColour = false;
  float Alpha = 0;
  Extended X = 0, Y = 0;
};

inline constexpr int CountdownLineCount = 6;

struct CountdownLayout {
  CountdownDisplay Display = CountdownDisplay::Christmas;
  CountdownLine Lines[CountdownLineCount];
};

extern CountdownRecord CountdownState;
// The lines of the last frame, as drawn.
extern CountdownLayout CountdownLines;

// Days in the year before the first of `month` (1..12), from the row of a
// 365- or 366-day year.
std::int32_t MonthStart(std::int32_t daysInYear, std::int32_t month);

// The countdown at a date and time of day, with the year length given.
CountdownRecord ComputeCountdown(std::int32_t month, std::int32_t day, std::int32_t daysInYear,
                                 const ClockTimeRecord& time);

// The New Year display runs while fewer than seven days are left in the year.
CountdownDisplay ChooseDisplay(const CountdownRecord& countdown);

// The six lines of the chosen display with the heading pair's two alphas.
// Writes into fixed buffers: nothing is allocated.
void LayOutCountdown(const CountdownRecord& countdown, float headlineAlpha, float partnerAlpha,
                     CountdownLayout& layout);

// Reads the time, the date and the sway of this frame, updates CountdownState
// and CountdownLines, and prints the six lines with the window's font
// (glPrint full screen, PreviewPrint in the preview). Expects additive blending.
void DrawCountdown(SceneKind kind);
