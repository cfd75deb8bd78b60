#include "frame/countdown.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "base/opengl.h"
#include "base/scene_params.h"
#include "frame/outline_font.h"

CountdownRecord CountdownState;
CountdownLayout CountdownLines;

namespace {

// Days in the year before the first of each month.
constexpr std::int32_t CommonYearMonthStarts[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr std::int32_t LeapYearMonthStarts[12] = {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335};

// Christmas Day is seven days before New Year's Day.
constexpr std::int32_t ChristmasToNewYear = 7;

// Where a line stands and what it says, before the numbers are filled in.
struct LineTemplate {
  const char* Heading;  // the whole text of a heading line, or null for a number line
  const char* Suffix;   // the word after a number
  Extended X, Y;
};

constexpr LineTemplate ChristmasLines[CountdownLineCount] = {
    {"Up to Christmas", nullptr, -0.4_x, 0.5_x},   {"Merry Christmas!", nullptr, -0.39_x, 0.5_x},
    {nullptr, " Days", -0.4_x, 0.35_x},            {nullptr, " Hours", -0.4_x, 0.2_x},
    {nullptr, " Min", -0.4_x, 0.05_x},             {nullptr, " Sec", -0.4_x, -0.1_x},
};

constexpr LineTemplate NewYearLines[CountdownLineCount] = {
    {"Up to New Year", nullptr, -0.4_x, 0.45_x},   {"Heppy New Year!", nullptr, -0.39_x, 0.45_x},
    {nullptr, " Days", -0.5_x, 0.3_x},             {nullptr, " Hours", -0.5_x, 0.15_x},
    {nullptr, " Min", -0.5_x, 0.0_x},              {nullptr, " Sec", -0.5_x, -0.15_x},
};

// The number lines are drawn with this alpha, set by the first of them.
constexpr float NumberAlpha = 0.2f;

// Copies `text` into the line, cut to fit.
void CopyText(CountdownLine& line, const char* text) {
  const std::size_t length = std::min(std::strlen(text), sizeof line.Text - 1);
  std::memcpy(line.Text, text, length);
  line.Text[length] = '\0';
}

// The number in decimal (a minus sign when negative, no leading zeros), then the suffix.
void WriteNumber(CountdownLine& line, std::int32_t number, const char* suffix) {
  char* const end = line.Text + sizeof line.Text - 1;
  char* cursor = std::to_chars(line.Text, end, number).ptr;
  const std::size_t room = static_cast<std::size_t>(end - cursor);
  const std::size_t length = std::min(std::strlen(suffix), room);
  std::memcpy(cursor, suffix, length);
  cursor[length] = '\0';
}

}  // namespace

std::int32_t MonthStart(std::int32_t daysInYear, std::int32_t month) {
  const std::int32_t* row = daysInYear == 366 ? LeapYearMonthStarts : CommonYearMonthStarts;
  // The date comes from the platform's calendar; an impossible month must not
  // read outside the table.
  const std::int32_t index = month < 1 ? 0 : month > 12 ? 11 : month - 1;
  return row[index];
}

CountdownRecord ComputeCountdown(std::int32_t month, std::int32_t day, std::int32_t daysInYear,
                                 const ClockTimeRecord& time) {
  CountdownRecord countdown;
  countdown.DayOfYear = day + MonthStart(daysInYear, month);
  countdown.DaysToNewYear = daysInYear - countdown.DayOfYear;
  countdown.DaysToChristmas = countdown.DaysToNewYear - ChristmasToNewYear;
  countdown.HoursLeft = 23 - std::int32_t(time.Hour);
  countdown.MinutesLeft = 59 - std::int32_t(time.Minute);
  countdown.SecondsLeft = 59 - std::int32_t(time.Second);
  return countdown;
}

CountdownDisplay ChooseDisplay(const CountdownRecord& countdown) {
  return countdown.DaysToNewYear >= ChristmasToNewYear ? CountdownDisplay::Christmas : CountdownDisplay::NewYear;
}

void LayOutCountdown(const CountdownRecord& countdown, float headlineAlpha, float partnerAlpha,
                     CountdownLayout& layout) {
  layout.Display = ChooseDisplay(countdown);
  const bool christmas = layout.Display == CountdownDisplay::Christmas;
  const LineTemplate* templates = christmas ? ChristmasLines : NewYearLines;
  const std::int32_t numbers[4] = {christmas ? countdown.DaysToChristmas : countdown.DaysToNewYear,
                                   countdown.HoursLeft, countdown.MinutesLeft, countdown.SecondsLeft};
  const float headingAlphas[2] = {headlineAlpha, partnerAlpha};

  for (int i = 0; i < CountdownLineCount; ++i) {
    const LineTemplate& from = templates[i];
    CountdownLine& line = layout.Lines[i];
    line.X = from.X;
    line.Y = from.Y;
    if (from.Heading) {
      CopyText(line, from.Heading);
      line.SetsColour = true;
      line.Alpha = headingAlphas[i];
    } else {
      WriteNumber(line, numbers[i - 2], from.Suffix);
      // The first number line sets the colour; the others keep it.
      line.SetsColour = i == 2;
      line.Alpha = NumberAlpha;
    }
  }
}

void DrawCountdown(SceneKind kind) {
  const SceneParameters& scene = SceneParams;
  CountdownState = ComputeCountdown(scene.Month, scene.Day, scene.DaysInYear, ClockTime);
  LayOutCountdown(CountdownState, scene.TextAlpha, HeadlineFade.PartnerAlpha, CountdownLines);

  // The Christmas display sets additive blending once more; the New Year
  // display draws with the frame's, which is the same.
  if (CountdownLines.Display == CountdownDisplay::Christmas) glBlendFunc(GL_SRC_ALPHA, GL_ONE);

  void (*const print)(const char*) = kind == SceneKind::FullScreen ? glPrint : PreviewPrint;
  const float* sway = TextDrift.Angles;
  for (const CountdownLine& line : CountdownLines.Lines) {
    // Each line turns about its own anchor, from a fresh matrix.
    glLoadIdentity();
    if (line.SetsColour) glColor4f(1.0f, 1.0f, 1.0f, line.Alpha);
    glTranslatef(static_cast<float>(line.X * scene.Aspect), static_cast<float>(line.Y), -2.0f);
    glRotatef(sway[0], 1.0f, 0.0f, 0.0f);
    glRotatef(sway[1], 0.0f, 1.0f, 0.0f);
    glRotatef(sway[2], 0.0f, 0.0f, 1.0f);
    glScalef(0.1f, 0.1f, 0.1f);
    print(line.Text);
  }
}
