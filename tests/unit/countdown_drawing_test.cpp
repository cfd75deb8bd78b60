#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/scene_params.h"
#include "frame/countdown.h"
#include "frame/outline_font.h"
#include "host/scene_setup/scene_setup.h"
#include "recording_gl.h"
#include "test_platform.h"

namespace {

constexpr GLuint SaverBase = 100, PreviewBase = 600;

// The state a frame leaves for the countdown, at 1.5 aspect with sway (10, -20, 30).
void SetScene(int month, int day, int hour, int minute, int second) {
  SceneParams = {};
  SceneParams.Aspect = 1.5f;
  SceneParams.Month = static_cast<std::uint16_t>(month);
  SceneParams.Day = static_cast<std::uint16_t>(day);
  SceneParams.DaysInYear = 365;
  SceneParams.TextAlpha = 0.15f;
  HeadlineFade.PartnerAlpha = 0.05f;
  TextDrift = {{10, -20, 30}};
  ClockTime = {static_cast<std::uint16_t>(hour), static_cast<std::uint16_t>(minute), static_cast<std::uint16_t>(second), 0};
  SaverFont.ListBase = SaverBase;
  PreviewFont.ListBase = PreviewBase;
  rgl::Reset();
}

struct ExpectedLine {
  const char* text;
  float alpha;  // < 0: the line keeps the colour before it
  Extended x, y;
};

// Each line: a fresh matrix, its colour if it has one, its anchor, the three
// sway turns, the scale, then the print with the window's font.
void ExpectLines(GLuint listBase, const std::vector<ExpectedLine>& expected) {
  std::vector<std::vector<rgl::Call>> lines;
  for (const rgl::Call& call : rgl::Calls()) {
    if (call.name == "glLoadIdentity") lines.emplace_back();
    if (!lines.empty()) lines.back().push_back(call);
  }
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const ExpectedLine& e = expected[i];
    SCOPED_TRACE(e.text);
    std::vector<std::vector<double>> want;
    std::vector<std::string> names{"glLoadIdentity"};
    want.push_back({});
    if (e.alpha >= 0) names.push_back("glColor4f"), want.push_back({1, 1, 1, e.alpha});
    names.insert(names.end(), {"glTranslatef", "glRotatef", "glRotatef", "glRotatef", "glScalef"});
    want.insert(want.end(), {{static_cast<float>(e.x * 1.5f), static_cast<float>(e.y), -2},
                             {10, 1, 0, 0}, {-20, 0, 1, 0}, {30, 0, 0, 1}, {0.1f, 0.1f, 0.1f}});
    const auto& line = lines[i];
    ASSERT_EQ(line.size(), names.size() + 5);  // and the print's five calls
    for (std::size_t k = 0; k < names.size(); ++k) {
      EXPECT_EQ(line[k].name, names[k]);
      for (std::size_t a = 0; a < want[k].size(); ++a) EXPECT_EQ(line[k][int(a)], want[k][a]) << names[k] << " " << a;
    }
    EXPECT_EQ(line[names.size() + 2].name, "glListBase");
    EXPECT_EQ(line[names.size() + 2][0], listBase);
    EXPECT_EQ(line[names.size() + 3].bytes, e.text);
  }
}

TEST(DrawCountdown, ChristmasDisplayBlendsAdditivelyAgainAndDrawsSixLines) {
  for (SceneKind kind : {SceneKind::FullScreen, SceneKind::Preview}) {
    SetScene(12, 20, 14, 25, 10);
    DrawCountdown(kind);
    ASSERT_EQ(rgl::CountOf("glBlendFunc"), 1u);
    EXPECT_EQ(rgl::Calls().front().name, "glBlendFunc");
    EXPECT_EQ(rgl::Calls().front()[0], GL_SRC_ALPHA);
    EXPECT_EQ(rgl::Calls().front()[1], GL_ONE);
    ExpectLines(kind == SceneKind::FullScreen ? SaverBase : PreviewBase,
                {{"Up to Christmas", 0.15f, -0.4L, 0.5L}, {"Merry Christmas!", 0.05f, -0.39L, 0.5L},
                 {"4 Days", 0.2f, -0.4L, 0.35L}, {"9 Hours", -1, -0.4L, 0.2L},
                 {"34 Min", -1, -0.4L, 0.05L}, {"49 Sec", -1, -0.4L, -0.1L}});
  }
}

TEST(DrawCountdown, NewYearDisplayKeepsTheFramesBlending) {
  SetScene(12, 28, 10, 0, 0);
  DrawCountdown(SceneKind::FullScreen);
  EXPECT_EQ(rgl::CountOf("glBlendFunc"), 0u);
  ExpectLines(SaverBase, {{"Up to New Year", 0.15f, -0.4L, 0.45L}, {"Heppy New Year!", 0.05f, -0.39L, 0.45L},
                          {"3 Days", 0.2f, -0.5L, 0.3L}, {"13 Hours", -1, -0.5L, 0.15L},
                          {"59 Min", -1, -0.5L, 0.0L}, {"59 Sec", -1, -0.5L, -0.15L}});
}

// Whole frames through the test platform at chosen moments.
class CountdownInFrame : public ::testing::Test {
 protected:
  void TearDown() override { UsePlatform(nullptr); }
  void CreateAt(LocalMoment moment, SceneKind kind) {
    kind_ = kind;
    platform_.Now = moment;
    UsePlatform(&platform_);
    CreateScene(kind, 1280, 720, 1);
  }
  void FrameAt(LocalMoment moment) {
    platform_.Now = moment;
    rgl::Reset();
    DrawFrame(kind_);
  }
  TestPlatform platform_;
  SceneKind kind_ = SceneKind::FullScreen;
};

TEST_F(CountdownInFrame, DrawsUnderAdditiveBlendingWithThisFramesSwayAndFade) {
  CreateAt({2026, 12, 20, 14, 25, 10, 0}, SceneKind::FullScreen);
  TextDrift = {{44.9f, 5, -5}};
  const float headline = SceneParams.TextAlpha;
  FrameAt({2026, 12, 20, 14, 25, 10, 0});

  const auto& calls = rgl::Calls();
  const auto at = [&](auto predicate) {
    return std::find_if(calls.begin(), calls.end(), predicate) - calls.begin();
  };
  const auto additive = at([](const rgl::Call& c) { return c.name == "glBlendFunc" && c[1] == GL_ONE; });
  const auto print = at([](const rgl::Call& c) { return c.name == "glCallLists"; });
  const auto blend = at([](const rgl::Call& c) { return c.name == "glBlendFunc" && c[1] == GL_ONE_MINUS_SRC_ALPHA; });
  const auto lastPrint = calls.rend() - std::find_if(calls.rbegin(), calls.rend(),
                                                     [](const rgl::Call& c) { return c.name == "glCallLists"; }) - 1;
  EXPECT_LT(additive, print);
  EXPECT_LT(lastPrint, blend);
  EXPECT_EQ(rgl::CountOf("glCallLists"), 6u);

  // The lines were turned and faded by the values from before this frame's steps.
  std::vector<rgl::Call> rotations;
  for (auto i = additive; i < blend; ++i)
    if (calls[std::size_t(i)].name == "glRotatef") rotations.push_back(calls[std::size_t(i)]);
  ASSERT_EQ(rotations.size(), 18u);
  EXPECT_EQ(rotations[0][0], 44.9f);
  EXPECT_EQ(rotations[1][0], 5.0f);
  EXPECT_EQ(rotations[2][0], -5.0f);
  EXPECT_NE(TextDrift.Angles[1], 5.0f);
  EXPECT_EQ(rgl::CallsNamed("glColor4f")[0][3], headline);
}

// A saver started in one year and still running in the next counts with the
// new year's length, whichever way the length changes.
TEST_F(CountdownInFrame, YearLengthFollowsTheDateFromLeapToCommon) {
  CreateAt({2024, 12, 31, 23, 59, 0, 0}, SceneKind::FullScreen);
  ASSERT_EQ(SceneParams.DaysInYear, 366);
  FrameAt({2025, 1, 1, 0, 0, 0, 0});
  EXPECT_EQ(SceneParams.DaysInYear, 365);
  EXPECT_EQ(CountdownState.DayOfYear, 1);
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "357 Days");
  FrameAt({2025, 3, 1, 0, 0, 0, 0});
  EXPECT_EQ(CountdownState.DayOfYear, 60);
}

TEST_F(CountdownInFrame, YearLengthFollowsTheDateFromCommonToLeap) {
  CreateAt({2023, 12, 31, 12, 0, 0, 0}, SceneKind::Preview);
  ASSERT_EQ(SceneParams.DaysInYear, 365);
  FrameAt({2024, 1, 1, 0, 0, 0, 0});
  EXPECT_EQ(SceneParams.DaysInYear, 366);
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "358 Days");
  FrameAt({2024, 3, 1, 0, 0, 0, 0});
  EXPECT_EQ(CountdownState.DayOfYear, 61);
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "298 Days");
  FrameAt({2024, 12, 25, 0, 0, 0, 0});
  EXPECT_EQ(CountdownLines.Display, CountdownDisplay::NewYear);
  EXPECT_STREQ(CountdownLines.Lines[2].Text, "6 Days");
}

}  // namespace
