// The countdown as Mesa draws it: legible lines of lit, translucent outline
// text at the left of the picture, swaying as the frames go on.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "frame/countdown.h"
#include "frame/frame_state.h"
#include "host/headless/render_session.h"
#include "host/opengl.h"
#include "host/scene_params.h"
#include "host/headless/state_json.h"
#include "pixels.h"

namespace {

// The countdown of the last of `frames` frames, alone: the frames run in full,
// then that last frame's countdown is drawn again, with the sway and fade it
// was drawn with, into a cleared picture, so that nothing else the scene draws
// (the ground, the flakes) can pass for text.
Picture Render(int width, int height, const char* at, int frames) {
  RenderOptions options;
  options.Width = width;
  options.Height = height;
  options.At = ParseMoment(at);
  options.Seed = 1;
  options.Frames = frames;
  std::string error;
  auto session = RenderSession::Start(options, error);
  EXPECT_NE(session, nullptr) << error;
  if (!session) return {};
  for (int i = 1; i < frames; ++i) session->RunFrame();
  const TextDriftRecord drift = TextDrift;
  const HeadlineFadeRecord fade = HeadlineFade;
  const float headlineAlpha = SceneParams.TextAlpha;
  session->RunFrame();
  TextDrift = drift;
  HeadlineFade = fade;
  SceneParams.TextAlpha = headlineAlpha;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);  // as the frame has it for the text
  DrawCountdown(SceneKind::FullScreen);

  // The text stands in the left half; the clock begins right of 54% of the
  // width, so the columns up to 53% hold nothing else.
  const Picture full{session->Width(), session->Height(), session->Pixels()};
  Picture left{full.width * 53 / 100, full.height, {}};
  for (int y = 0; y < full.height; ++y) {
    const auto row = full.rgb.begin() + std::ptrdiff_t(y) * full.width * 3;
    left.rgb.insert(left.rgb.end(), row, row + std::ptrdiff_t(left.width) * 3);
  }
  return left;
}

constexpr int HalfWidth = 640;  // of the 1280-pixel pictures below

// Text adds light to the dark blue background (0, 0, 51).
bool Ink(const Picture& p, int x, int y) { return p.At(x, y).r > 8; }

struct Span {
  int first, last;  // inclusive
  int Size() const { return last - first + 1; }
};

// Runs of lines (rows, or columns within `band`) that hold ink, separated
// by at least `gap` lines without.
std::vector<Span> InkRuns(const Picture& p, bool rows, int gap, Span band = {0, -1}) {
  const int n = rows ? p.height : p.width;
  std::vector<Span> spans;
  int empty = gap;
  for (int i = 0; i < n; ++i) {
    bool any = false;
    if (rows)
      for (int x = 0; x < p.width && !any; ++x) any = Ink(p, x, i);
    else
      for (int y = band.first; y <= band.last && !any; ++y) any = Ink(p, i, y);
    if (!any) {
      ++empty;
      continue;
    }
    if (empty >= gap)
      spans.push_back({i, i});
    else
      spans.back().last = i;
    empty = 0;
  }
  return spans;
}
std::vector<Span> InkRows(const Picture& p, int gap) { return InkRuns(p, true, gap); }
std::vector<Span> InkColumns(const Picture& p, Span band, int gap) { return InkRuns(p, false, gap, band); }

// The mean row of the ink in the columns [x0, x1) of a band.
double MeanInkRow(const Picture& p, Span band, int x0, int x1) {
  double sum = 0;
  int count = 0;
  for (int y = band.first; y <= band.last; ++y)
    for (int x = x0; x < x1; ++x)
      if (Ink(p, x, y)) sum += y, ++count;
  return count ? sum / count : -1;
}

TEST(CountdownRender, UpToChristmasIsLegibleTranslucentTextAtTheLeft) {
  // The first frame: no sway yet, the headline at full strength and its
  // partner still invisible.
  const Picture p = Render(1280, 720, "2026-12-20 14:25:10", 1);
  ASSERT_FALSE(p.rgb.empty());

  // Five lines of ink: the heading and the four numbers.
  const std::vector<Span> lines = InkRows(p, 4);
  ASSERT_EQ(lines.size(), 5u);
  for (const Span& line : lines) EXPECT_GT(line.Size(), 25) << line.first;

  // "Up to Christmas": three words, the last the longest, of separate letters.
  const Span heading = lines[0];
  const std::vector<Span> words = InkColumns(p, heading, 10);
  ASSERT_EQ(words.size(), 3u);
  EXPECT_GT(words[2].Size(), 2 * words[0].Size());
  EXPECT_GT(words[2].Size(), 2 * words[1].Size());
  const std::size_t letters = InkColumns(p, heading, 1).size();
  EXPECT_GE(letters, 11u);
  EXPECT_LE(letters, 13u);

  // "4 Days", "9 Hours", "34 Min", "49 Sec": two words each.
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(InkColumns(p, lines[i], 10).size(), 2u) << i;

  // All of it in the left half, none of it touching the top.
  EXPECT_GT(heading.first, 0);
  for (const Span& line : lines) EXPECT_LT(InkColumns(p, line, 1).back().last, HalfWidth);

  // Lit white light added at a fifth of its strength: grey over the blue,
  // far from saturated even where the front, back and walls of a glyph lie
  // on top of one another.
  std::vector<int> reds;
  for (int y = heading.first; y <= heading.last; ++y)
    for (int x = 0; x < HalfWidth; ++x) {
      if (!Ink(p, x, y)) continue;
      const Rgb c = p.At(x, y);
      reds.push_back(c.r);
      ASSERT_NEAR(c.g, c.r, 2) << x << "," << y;
      ASSERT_NEAR(c.b, 51 + c.r, 3) << x << "," << y;
    }
  ASSERT_GT(reds.size(), 1000u);
  std::sort(reds.begin(), reds.end());
  EXPECT_GT(reds[reds.size() / 2], 30);
  EXPECT_LT(reds[reds.size() / 2], 90);
  EXPECT_LT(reds.back(), 160);
}

TEST(CountdownRender, NewYearDisplayStandsFurtherLeftUnderItsOwnHeading) {
  const Picture christmas = Render(1280, 720, "2026-12-20 14:25:10", 1);
  const Picture newYear = Render(1280, 720, "2026-12-28 10:00:00", 1);
  const std::vector<Span> c = InkRows(christmas, 4), n = InkRows(newYear, 4);
  ASSERT_EQ(c.size(), 5u);
  ASSERT_EQ(n.size(), 5u);
  // "Up to New Year": four words.
  EXPECT_EQ(InkColumns(newYear, n[0], 10).size(), 4u);
  // The heading a little lower, the number lines further left.
  EXPECT_GT(n[0].last, c[0].last);
  for (int i = 1; i < 5; ++i) EXPECT_LT(InkColumns(newYear, n[i], 1).front().first, InkColumns(christmas, c[i], 1).front().first);
}

TEST(CountdownRender, TheBlockSwaysAsFramesGoOn) {
  const Picture still = Render(1280, 720, "2026-12-20 14:25:10", 1);
  const Picture later = Render(1280, 720, "2026-12-20 14:25:10", 30);
  const Span stillHeading = InkRows(still, 4).front();
  const Span laterHeading = InkRows(later, 4).front();
  const std::vector<Span> stillWords = InkColumns(still, stillHeading, 10);
  const std::vector<Span> laterWords = InkColumns(later, laterHeading, 10);
  ASSERT_FALSE(stillWords.empty());
  ASSERT_FALSE(laterWords.empty());

  // Level at first; after thirty frames turned about z, so that one end of
  // the heading stands higher than the other.
  const auto tilt = [](const Picture& p, Span band, const std::vector<Span>& words) {
    const int x0 = words.front().first, x1 = words.back().last, third = (x1 - x0) / 3;
    return MeanInkRow(p, band, x0, x0 + third) - MeanInkRow(p, band, x1 - third, x1);
  };
  EXPECT_LT(std::abs(tilt(still, stillHeading, stillWords)), 4);
  EXPECT_GT(std::abs(tilt(later, laterHeading, laterWords)), 15);
}

TEST(CountdownState, PrintedWithTheLinesAndTheirAlphas) {
  RenderOptions options;
  options.Width = 64;
  options.Height = 48;
  options.At = ParseMoment("2026-12-20 14:25:10");
  options.Seed = 1;
  std::string error;
  auto session = RenderSession::Start(options, error);
  ASSERT_NE(session, nullptr) << error;
  session->RunFrame();
  std::ostringstream out;
  WriteStateJson(out);
  const std::string json = out.str();
  for (const char* expected :
       {"\"CountdownState\":{\"Display\":\"Christmas\",\"DayOfYear\":354,\"DaysToNewYear\":11,\"DaysToChristmas\":4,"
        "\"HoursLeft\":9,\"MinutesLeft\":34,\"SecondsLeft\":49,\"Lines\":[",
        "{\"Text\":\"Up to Christmas\",\"Alpha\":0.200000003}", "{\"Text\":\"Merry Christmas!\",\"Alpha\":0}",
        "{\"Text\":\"4 Days\",\"Alpha\":0.200000003}", "{\"Text\":\"49 Sec\",\"Alpha\":0.200000003}]}"})
    EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
}

}  // namespace
