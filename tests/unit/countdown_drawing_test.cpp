#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/countdown.h"
#include "frame/frame.h"
#include "frame/frame_state.h"
#include "frame/outline_font.h"
#include "host/scene_params.h"
#include "host/scene_setup.h"
#include "recording_gl.h"
#include "test_platform.h"

namespace {

constexpr GLuint SaverBase = 100;
constexpr GLuint PreviewBase = 600;

// The countdown's state as a frame would leave it before drawing.
void SetScene(int month, int day, int daysInYear, int hour, int minute, int second) {
  SceneParams = {};
  SceneParams.Aspect = 1.5f;
  SceneParams.Month = static_cast<std::uint16_t>(month);
  SceneParams.Day = static_cast<std::uint16_t>(day);
  SceneParams.DaysInYear = static_cast<std::uint16_t>(daysInYear);
  SceneParams.TextAlpha = 0.15f;
  HeadlineFade.PartnerAlpha = 0.05f;
  TextDrift.Angles[0] = 10;
  TextDrift.Angles[1] = -20;
  TextDrift.Angles[2] = 30;
  ClockTime = {static_cast<std::uint16_t>(hour), static_cast<std::uint16_t>(minute),
               static_cast<std::uint16_t>(second), 0};
  for (OutlineFont* font : {&SaverFont, &PreviewFont})
    for (GlyphMetricsFloat& record : font->GlyphMetrics) record = GlyphMetricsFloat{};
  SaverFont.ListBase = SaverBase;
  PreviewFont.ListBase = PreviewBase;
  rgl::Reset();
}

// The calls of each line, from its glLoadIdentity to the one before the next.
std::vector<std::vector<rgl::Call>> LinesOf(const std::vector<rgl::Call>& calls) {
  std::vector<std::vector<rgl::Call>> lines;
  for (const rgl::Call& call : calls) {
    if (call.name == "glLoadIdentity") lines.emplace_back();
    if (!lines.empty()) lines.back().push_back(call);
  }
  return lines;
}

std::vector<std::string> Names(const std::vector<rgl::Call>& calls) {
  std::vector<std::string> names;
  for (const rgl::Call& call : calls) names.push_back(call.name);
  return names;
}

void ExpectArgs(const rgl::Call& call, std::vector<double> expected) {
  ASSERT_EQ(call.argCount, static_cast<int>(expected.size())) << call.name;
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(call[static_cast<int>(i)], expected[i]) << call.name << " " << i;
}

struct ExpectedLine {
  const char* text;
  float alpha;  // < 0: the line sets no colour
  Extended x, y;
};

void ExpectLines(GLuint listBase, const ExpectedLine (&expected)[6]) {
  const auto lines = LinesOf(rgl::Calls());
  ASSERT_EQ(lines.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(expected[i].text);
    const auto& line = lines[static_cast<std::size_t>(i)];
    std::vector<std::string> names = {"glLoadIdentity"};
    if (expected[i].alpha >= 0) names.push_back("glColor4f");
    for (const char* n : {"glTranslatef", "glRotatef", "glRotatef", "glRotatef", "glScalef", "glTranslatef",
                          "glPushAttrib", "glListBase", "glCallLists", "glPopAttrib"})
      names.push_back(n);
    ASSERT_EQ(Names(line), names);

    std::size_t at = 1;
    if (expected[i].alpha >= 0) ExpectArgs(line[at++], {1, 1, 1, expected[i].alpha});
    ExpectArgs(line[at++], {static_cast<float>(expected[i].x * 1.5f), static_cast<float>(expected[i].y), -2});
    ExpectArgs(line[at++], {10, 1, 0, 0});
    ExpectArgs(line[at++], {-20, 0, 1, 0});
    ExpectArgs(line[at++], {30, 0, 0, 1});
    ExpectArgs(line[at++], {0.1f, 0.1f, 0.1f});
    ++at;  // the print's own shift, checked with the font
    EXPECT_EQ(line[at++][0], GL_LIST_BIT);
    EXPECT_EQ(line[at++][0], listBase);
    EXPECT_EQ(line[at].bytes, expected[i].text);
  }
}

TEST(DrawCountdown, ChristmasDisplaySetsAdditiveBlendingThenDrawsSixLines) {
  SetScene(12, 20, 365, 14, 25, 10);
  DrawCountdown(SceneKind::FullScreen);

  ASSERT_FALSE(rgl::Calls().empty());
  EXPECT_EQ(rgl::Calls().front().name, "glBlendFunc");
  ExpectArgs(rgl::Calls().front(), {GL_SRC_ALPHA, GL_ONE});
  EXPECT_EQ(rgl::CountOf("glBlendFunc"), 1u);
  ExpectLines(SaverBase, {{"Up to Christmas", 0.15f, -0.4L, 0.5L},
                          {"Merry Christmas!", 0.05f, -0.39L, 0.5L},
                          {"4 Days", 0.2f, -0.4L, 0.35L},
                          {"9 Hours", -1, -0.4L, 0.2L},
                          {"34 Min", -1, -0.4L, 0.05L},
                          {"49 Sec", -1, -0.4L, -0.1L}});
  EXPECT_TRUE(rgl::Current().errors.empty());
}

TEST(DrawCountdown, NewYearDisplayKeepsTheFramesBlending) {
  SetScene(12, 28, 365, 10, 0, 0);
  DrawCountdown(SceneKind::FullScreen);

  EXPECT_EQ(rgl::CountOf("glBlendFunc"), 0u);
  ExpectLines(SaverBase, {{"Up to New Year", 0.15f, -0.4L, 0.45L},
                          {"Heppy New Year!", 0.05f, -0.39L, 0.45L},
                          {"3 Days", 0.2f, -0.5L, 0.3L},
                          {"13 Hours", -1, -0.5L, 0.15L},
                          {"59 Min", -1, -0.5L, 0.0L},
                          {"59 Sec", -1, -0.5L, -0.15L}});
}

TEST(DrawCountdown, PreviewPrintsWithThePreviewFont) {
  SetScene(12, 20, 365, 14, 25, 10);
  DrawCountdown(SceneKind::Preview);
  const auto bases = rgl::CallsNamed("glListBase");
  ASSERT_EQ(bases.size(), 6u);
  for (const rgl::Call& base : bases) EXPECT_EQ(base[0], PreviewBase);
}

TEST(DrawCountdown, RecordsTheStateAndTheLinesItDrew) {
  SetScene(3, 1, 366, 0, 0, 0);
  DrawCountdown(SceneKind::FullScreen);
  EXPECT_EQ(CountdownState.DayOfYear, 61);
  EXPECT_EQ(CountdownState.DaysToNewYear, 305);
  EXPECT_EQ(CountdownState.DaysToChristmas, 298);
  EXPECT_EQ(CountdownState.HoursLeft, 23);
  EXPECT_EQ(CountdownLines.Display, CountdownDisplay::Christmas);
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "298 Days");
  EXPECT_EQ(CountdownLines.Lines[0].Alpha, 0.15f);
  EXPECT_EQ(CountdownLines.Lines[1].Alpha, 0.05f);
}

// A frame run through the test platform at a chosen moment.
class CountdownInFrame : public ::testing::Test {
 protected:
  void SetUp() override { rgl::Reset(); }
  void TearDown() override { UsePlatform(nullptr); }

  void CreateAt(LocalMoment moment, SceneKind kind = SceneKind::FullScreen) {
    platform_.Now = moment;
    UsePlatform(&platform_);
    CreateScene(kind, 1280, 720, 1);
  }
  void FrameAt(LocalMoment moment, SceneKind kind = SceneKind::FullScreen) {
    platform_.Now = moment;
    rgl::Reset();
    DrawFrame(kind);
  }

  TestPlatform platform_;
};

TEST_F(CountdownInFrame, DrawsAfterAdditiveBlendingWithTheSwayAndFadeOfThisFrame) {
  CreateAt({2026, 12, 20, 14, 25, 10, 0});
  TextDrift.Angles[0] = 44.9f;
  TextDrift.Angles[1] = 5;
  TextDrift.Angles[2] = -5;
  const float headline = SceneParams.TextAlpha;
  FrameAt({2026, 12, 20, 14, 25, 10, 0});

  const auto& calls = rgl::Calls();
  std::size_t additive = calls.size(), firstPrint = calls.size(), lastPrint = 0, alphaBlend = calls.size();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const rgl::Call& c = calls[i];
    if (c.name == "glBlendFunc" && c[1] == GL_ONE && additive == calls.size()) additive = i;
    if (c.name == "glCallLists") {
      firstPrint = std::min(firstPrint, i);
      lastPrint = i;
    }
    if (c.name == "glBlendFunc" && c[1] == GL_ONE_MINUS_SRC_ALPHA) alphaBlend = i;
  }
  EXPECT_LT(additive, firstPrint);
  EXPECT_LT(lastPrint, alphaBlend);
  EXPECT_EQ(rgl::CountOf("glCallLists"), 6u);

  // The lines were turned by the angles from before this frame's sway step.
  const auto rotations = rgl::CallsNamed("glRotatef");
  ASSERT_EQ(rotations.size(), 18u);
  EXPECT_EQ(rotations[0][0], 44.9f);
  EXPECT_EQ(rotations[1][0], 5.0f);
  EXPECT_EQ(rotations[2][0], -5.0f);
  EXPECT_NE(TextDrift.Angles[1], 5.0f);
  // And the heading by the alpha from before this frame's fade step.
  EXPECT_EQ(rgl::CallsNamed("glColor4f")[0][3], headline);
  EXPECT_EQ(CountdownLines.Lines[0].Alpha, headline);
}

// A saver started on the last day of a leap year and still running on New
// Year's Day counts with the new year's 365 days.
TEST_F(CountdownInFrame, YearLengthFollowsTheDateFromLeapToCommon) {
  CreateAt({2024, 12, 31, 23, 59, 0, 0});
  ASSERT_EQ(SceneParams.DaysInYear, 366);
  FrameAt({2024, 12, 31, 23, 59, 59, 0});
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "0 Days");

  FrameAt({2025, 1, 1, 0, 0, 0, 0});
  EXPECT_EQ(SceneParams.DaysInYear, 365);
  EXPECT_EQ(CountdownState.DayOfYear, 1);
  EXPECT_EQ(CountdownState.DaysToChristmas, 357);
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "357 Days");

  FrameAt({2025, 3, 1, 0, 0, 0, 0});
  EXPECT_EQ(CountdownState.DayOfYear, 60);
}

TEST_F(CountdownInFrame, YearLengthFollowsTheDateFromCommonToLeap) {
  CreateAt({2023, 12, 31, 12, 0, 0, 0}, SceneKind::Preview);
  ASSERT_EQ(SceneParams.DaysInYear, 365);
  FrameAt({2024, 1, 1, 0, 0, 0, 0}, SceneKind::Preview);
  EXPECT_EQ(SceneParams.DaysInYear, 366);
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "358 Days");

  FrameAt({2024, 3, 1, 0, 0, 0, 0}, SceneKind::Preview);
  EXPECT_EQ(CountdownState.DayOfYear, 61);
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "298 Days");

  FrameAt({2024, 12, 25, 0, 0, 0, 0}, SceneKind::Preview);
  EXPECT_EQ(CountdownLines.Display, CountdownDisplay::NewYear);
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "6 Days");
}

}  // namespace
