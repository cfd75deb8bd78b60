#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/scene_params.h"
#include "clock/clock_pass.h"
#include "clock/dial_marks.h"
#include "clock/hands.h"
#include "clock/numerals.h"
#include "clock_test_support.h"
#include "frame/frame_state.h"

namespace {

TEST(NumeralRing, PositionsRunClockwiseFromTheTop) {
  const double a = 0.18, b = 0.3118;
  const double ring[12][2] = {{0, 0.36}, {a, b},   {b, a},   {0.36, 0}, {b, -a},  {a, -b},
                              {0, -0.36}, {-a, -b}, {-b, -a}, {-0.36, 0}, {-b, a}, {-a, b}};
  for (int k = 0; k < 12; ++k) {
    EXPECT_NEAR(double(NumeralRingPoint(k).x), ring[k][0], 5e-5) << k;
    EXPECT_NEAR(double(NumeralRingPoint(k).y), ring[k][1], 5e-5) << k;
  }
}

// Walks the recorded calls of one clock section in the order they must come.
class CallWalk {
 public:
  const rgl::Call& Next(const char* name) {
    const auto& calls = rgl::Calls();
    if (at_ >= calls.size() || calls[at_].name != name) {
      ADD_FAILURE() << "call " << at_ << ": expected " << name;
      static const rgl::Call none{};
      return none;
    }
    return calls[at_++];
  }
  // A whole bracket, glBegin to glEnd, as corners.
  std::vector<clocktest::Corner> Bracket() {
    EXPECT_EQ(Next("glBegin")[0], GL_TRIANGLES);
    std::vector<rgl::Call> inside;
    const auto& calls = rgl::Calls();
    while (at_ < calls.size() && calls[at_].name != "glEnd") inside.push_back(calls[at_++]);
    Next("glEnd");
    return clocktest::CornersOf(inside);
  }
  bool AtEnd() const { return at_ == rgl::Calls().size(); }

 private:
  std::size_t at_ = 0;
};

TEST(ClockPass, NumeralsThenMarksThenTheThreeTurnedHands) {
  BuildDialMarks();
  BuildCellTemplate();
  BuildDigits();
  BuildHands();
  SceneParams.ClockOffset = {0.28L * (16.0L / 9), 0.2L, -2.5L};
  HandAngles = {-195, -90, 90};
  rgl::Reset();
  DrawClockFace();

  const float cx = float(SceneParams.ClockOffset.x);
  const auto expectTranslation = [&](const rgl::Call& t, double x, double y) {
    EXPECT_NEAR(t[0] - cx, x, 5e-5);
    EXPECT_NEAR(t[1] - 0.2, y, 5e-5);
    EXPECT_EQ(t[2], -2.5f);
  };
  // Position by position, an alpha blend and then its digits, left first,
  // each at its place relative to the clock's centre: the 12's 1 at -0.024
  // and 2 at +0.016, the lone 1 pulled left, the 3 and 9 nudged to +-0.364.
  const double a = 0.18, b = 0.3118;
  const struct { int digit; double x, y; } digits[15] = {
      {1, -0.024, 0.36}, {2, 0.016, 0.36}, {1, a - 0.008, b}, {2, b, a},  {3, 0.364, 0},
      {4, b, -a},        {5, a, -b},       {6, 0, -0.36},     {7, -a, -b}, {8, -b, -a},
      {9, -0.364, 0},    {1, -b - 0.02, a}, {0, -b + 0.02, a}, {1, -a - 0.02, b}, {1, -a + 0.004, b}};
  const int digitsAt[12] = {2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2};
  CallWalk walk;
  int n = 0;
  for (int k = 0; k < 12; ++k) {
    const rgl::Call& blend = walk.Next("glBlendFunc");
    EXPECT_TRUE(blend[0] == GL_SRC_ALPHA && blend[1] == GL_ONE_MINUS_SRC_ALPHA) << k;
    for (int m = 0; m < digitsAt[k]; ++m, ++n) {
      SCOPED_TRACE("digit " + std::to_string(n));
      walk.Next("glPushMatrix");
      expectTranslation(walk.Next("glTranslatef"), digits[n].x, digits[n].y);
      EXPECT_EQ(clocktest::DigitDrawn(walk.Bracket()), digits[n].digit);
      walk.Next("glPopMatrix");
    }
  }
  // The marks about the clock's centre: 54 triangles each.
  walk.Next("glPushMatrix");
  expectTranslation(walk.Next("glTranslatef"), 0, 0);
  EXPECT_EQ(walk.Bracket().size(), 60u * 54 * 3);
  walk.Next("glPopMatrix");
  // The hour, minute and second hands, told apart by their tips, turned
  // about +z by their angles; the hour hand lit by its faces.
  const double tips[3] = {0.2970, 0.3237, 0.3413};
  const float angles[3] = {-195, -90, 90};
  for (int h = 0; h < 3; ++h) {
    SCOPED_TRACE("hand " + std::to_string(h));
    walk.Next("glPushMatrix");
    expectTranslation(walk.Next("glTranslatef"), 0, 0);
    const rgl::Call& turn = walk.Next("glRotatef");
    EXPECT_TRUE(turn[0] == angles[h] && turn[1] == 0 && turn[2] == 0 && turn[3] == 1);
    const auto corners = walk.Bracket();
    ASSERT_EQ(corners.size(), 360u);
    EXPECT_NEAR(corners[0].Position.x, tips[h], 5e-5);
    EXPECT_EQ(clocktest::Same(corners[1].Normal, corners[1].Position), h != 0);
    walk.Next("glPopMatrix");
  }
  EXPECT_TRUE(walk.AtEnd());
  EXPECT_TRUE(rgl::Current().errors.empty());
  EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));
}

}  // namespace
