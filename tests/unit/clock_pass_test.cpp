#include <gtest/gtest.h>

#include <vector>

#include "clock/clock_pass.h"
#include "clock/dial_marks.h"
#include "clock/hands.h"
#include "clock/numerals.h"
#include "frame/frame.h"
#include "frame/frame_state.h"
#include "frame/platform.h"
#include "host/scene_params.h"
#include "host/scene_setup.h"
#include "recording_gl.h"

namespace {

// A frozen clock that notes where in the log the frame presented.
class FrozenPlatform : public Platform {
 public:
  LocalMoment LocalNow() override { return {2026, 12, 20, 14, 25, 10, 0}; }
  int UseFontOutlines(const char*, unsigned, unsigned, unsigned, float, GlyphMetricsFloat*) override { return 0; }
  void SwapBuffers() override { callsAtSwap = rgl::Calls().size(); }
  void Sleep(unsigned) override {}
  std::size_t callsAtSwap = 0;
};

struct BracketSummary {
  std::size_t begin = 0;  // index of its glBegin in the log
  int vertices = 0, normals = 0;
};

std::vector<BracketSummary> BracketsFrom(std::size_t start) {
  const auto& calls = rgl::Calls();
  std::vector<BracketSummary> brackets;
  for (std::size_t i = start; i < calls.size(); ++i) {
    if (calls[i].name == "glBegin") brackets.push_back({i, 0, 0});
    if (brackets.empty()) continue;
    brackets.back().vertices += calls[i].name == "glVertex3fv";
    brackets.back().normals += calls[i].name == "glNormal3fv";
  }
  return brackets;
}

bool IsAlphaBlend(const rgl::Call& c) {
  return c.name == "glBlendFunc" && c[0] == GL_SRC_ALPHA && c[1] == GL_ONE_MINUS_SRC_ALPHA;
}

// The clock's 19 brackets from `start`: 15 digits, the dial, three hands
// whose rotations (the calls just before their brackets) are `angles`.
void ExpectClock(std::size_t start, const float (&angles)[3]) {
  const auto brackets = BracketsFrom(start);
  ASSERT_GE(brackets.size(), 19u);
  int b = 0, digitTriangles = 0;
  for (const RingNumeral& numeral : NumeralTable)
    for (int n = 0; n < numeral.DigitCount; ++n, ++b) {
      EXPECT_EQ(brackets[b].vertices, DigitCellCount[numeral.Digits[n].Digit] * 72) << "digit bracket " << b;
      digitTriangles += brackets[b].vertices / 3;
    }
  EXPECT_EQ(b, 15);
  EXPECT_EQ(digitTriangles, 4056);
  EXPECT_EQ(brackets[15].vertices, 3240 * 3);
  const int normals[3] = {120, 360, 360};  // the hour hand by faces, the others by positions
  for (int h = 0; h < 3; ++h) {
    const BracketSummary& hand = brackets[16 + h];
    EXPECT_EQ(hand.vertices, 360);
    EXPECT_EQ(hand.normals, normals[h]);
    const rgl::Call& rotate = rgl::Calls()[hand.begin - 1];
    EXPECT_EQ(rotate.name, "glRotatef");
    EXPECT_EQ(rotate[0], angles[h]);
    EXPECT_TRUE(rotate[1] == 0 && rotate[2] == 0 && rotate[3] == 1);
    // The bracket is that hand's: it opens at its own tip.
    EXPECT_EQ(rgl::Calls()[hand.begin + 3][0], static_cast<float>(HandGrids.Hands[h].x[0][0]));
  }
  EXPECT_EQ(rgl::Current().modelview.size(), 1u);
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));
}

class ClockPass : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildDialMarks();
    BuildCellTemplate();
    BuildDigits();
    BuildHands();
    SceneParams.ClockOffset = {0.28L * (16.0L / 9), 0.2L, -2.5L};
    HandAngles = {-195, -90, 90};
    rgl::Reset();
  }
  void TearDown() override { EXPECT_TRUE(rgl::Current().errors.empty()); }
};

TEST(NumeralRing, PositionsRunClockwiseFromTheTop) {
  const double a = 0.18, b = 0.3118;
  const double ring[12][2] = {{0, 0.36}, {a, b},   {b, a},   {0.36, 0}, {b, -a},  {a, -b},
                              {0, -0.36}, {-a, -b}, {-b, -a}, {-0.36, 0}, {-b, a}, {-a, b}};
  for (int k = 0; k < 12; ++k) {
    EXPECT_NEAR(double(NumeralRingPoint(k).x), ring[k][0], 5e-5) << k;
    EXPECT_NEAR(double(NumeralRingPoint(k).y), ring[k][1], 5e-5) << k;
  }
}

TEST_F(ClockPass, DrawsNumeralsMarksAndHandsInNineteenBalancedBrackets) {
  DrawClockFace();  // the section of DrawClockAndSnow before the snow
  ExpectClock(0, {-195.0f, -90.0f, 90.0f});
  EXPECT_EQ(rgl::Current().vertices, (4056 + 3240 + 360) * 3);
  EXPECT_EQ(rgl::CountOf("glPushMatrix"), 19u);
  EXPECT_EQ(rgl::CountOf("glPopMatrix"), 19u);
  for (const char* name : {"glEnable", "glDisable", "glLoadIdentity", "glMatrixMode"}) EXPECT_EQ(rgl::CountOf(name), 0u);
}

TEST_F(ClockPass, EveryNumeralIsBlendedAndPlacedByTheNumeralTable) {
  DrawClockFace();
  // Relative to ClockOffset; the 12's 1 at -0.024 and 2 at +0.016, the lone 1
  // pulled left, the 3 and 9 nudged to +-0.364.
  const double a = 0.18, b = 0.3118;
  const double places[15][2] = {{-0.024, 0.36}, {0.016, 0.36}, {a - 0.008, b}, {b, a},  {0.364, 0},
                                {b, -a},        {a, -b},       {0, -0.36},     {-a, -b}, {-b, -a},
                                {-0.364, 0},    {-b - 0.02, a}, {-b + 0.02, a}, {-a - 0.02, b}, {-a + 0.004, b}};
  const auto& calls = rgl::Calls();
  const double cx = double(SceneParams.ClockOffset.x);
  std::size_t i = 0;
  int digit = 0;
  for (const RingNumeral& numeral : NumeralTable) {
    EXPECT_TRUE(IsAlphaBlend(calls[i++])) << "before position " << &numeral - NumeralTable;
    for (int n = 0; n < numeral.DigitCount; ++n, ++digit) {
      ASSERT_EQ(calls[i + 1].name, "glTranslatef");
      EXPECT_NEAR(calls[i + 1][0] - cx, places[digit][0], 5e-5) << digit;
      EXPECT_NEAR(calls[i + 1][1] - 0.2, places[digit][1], 5e-5) << digit;
      EXPECT_EQ(calls[i + 1][2], -2.5f);
      while (calls[i].name != "glPopMatrix") ++i;
      ++i;
    }
  }
  EXPECT_EQ(rgl::CountOf("glBlendFunc"), 12u);
  // Then the dial, at the clock's origin.
  EXPECT_EQ(calls[i + 1].name, "glTranslatef");
  EXPECT_TRUE(calls[i + 1][0] == static_cast<float>(cx) && calls[i + 1][1] == 0.2f && calls[i + 1][2] == -2.5f);
}

class ClockInScene : public ::testing::Test {
 protected:
  void SetUp() override {
    UsePlatform(&platform_);
    rgl::Reset();
  }
  void TearDown() override {
    UsePlatform(nullptr);
    EXPECT_TRUE(rgl::Current().errors.empty());
  }
  FrozenPlatform platform_;
};

TEST_F(ClockInScene, CreatingTheSceneSetsClockOffsetAndBuildsTheClockInOrder) {
  static const NumeralCellTemplate noTemplate{};  // static: the tables are large
  static const DigitCellTable noDigits{};
  CellTemplate = noTemplate;
  DigitCells = noDigits;
  CreateScene(SceneKind::FullScreen, 1024, 768, 1);
  EXPECT_NEAR(double(SceneParams.ClockOffset.x), 0.3733, 5e-5);
  EXPECT_TRUE(SceneParams.ClockOffset.y == 0.2L && SceneParams.ClockOffset.z == -2.5L);
  // The digits were copied from a finished template.
  EXPECT_NE(CellTemplate.Positions.x[0][2][1], 0);
  EXPECT_EQ(DigitCells.x[0][0][0][2][1], -0.004L + CellTemplate.Positions.x[0][2][1]);
  CreateScene(SceneKind::FullScreen, 1920, 1080, 1);
  EXPECT_NEAR(double(SceneParams.ClockOffset.x), 0.4978, 5e-5);
}

TEST_F(ClockInScene, TheFrameDrawsTheClockAfterAlphaBlendingAndBeforePresenting) {
  CreateScene(SceneKind::FullScreen, 1920, 1080, 5);
  rgl::Reset();
  DrawFrame(SceneKind::FullScreen);
  const auto& calls = rgl::Calls();
  std::size_t start = calls.size();
  for (std::size_t i = 1; i < calls.size(); ++i)
    if (calls[i - 1].name == "glLoadIdentity" && IsAlphaBlend(calls[i])) start = i;
  ASSERT_LT(start, calls.size());
  ExpectClock(start, {17.5f, -60.0f, 30.0f});  // 14:25:10
  const auto brackets = BracketsFrom(start);
  ASSERT_GE(brackets.size(), 19u);
  EXPECT_LT(brackets[18].begin, platform_.callsAtSwap);
}

}  // namespace
