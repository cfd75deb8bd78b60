#include <gtest/gtest.h>

#include <cmath>

#include "base/random.h"
#include "base/scene_params.h"
#include "frame/frame_state.h"

namespace {

HandAngleSet AnglesAt(int hour, int minute, int second) {
  return ComputeHandAngles({static_cast<std::uint16_t>(hour), static_cast<std::uint16_t>(minute),
                            static_cast<std::uint16_t>(second), 0});
}

TEST(HandAngles, PointUpAtMidnightAndNoon) {
  for (int hour : {0, 12}) {
    const HandAngleSet a = AnglesAt(hour, 0, 0);
    EXPECT_EQ(a.Hour, 90);
    EXPECT_EQ(a.Minute, 90);
    EXPECT_EQ(a.Second, 90);
  }
}

TEST(HandAngles, FollowTheClockwiseFormulas) {
  EXPECT_EQ(AnglesAt(3, 0, 0).Hour, 0);
  EXPECT_EQ(AnglesAt(15, 0, 0).Hour, 0);
  EXPECT_EQ(AnglesAt(15, 30, 0).Hour, -15);  // half a degree per minute
  EXPECT_EQ(AnglesAt(9, 30, 0).Hour, -195);

  const HandAngleSet late = AnglesAt(23, 59, 59);
  EXPECT_EQ(late.Hour, -269.5L);
  EXPECT_EQ(late.Minute, -264);
  EXPECT_EQ(late.Second, -264);

  // The worked example: 14:25:10.
  const HandAngleSet example = AnglesAt(14, 25, 10);
  EXPECT_EQ(example.Hour, 17.5L);
  EXPECT_EQ(example.Minute, -60);
  EXPECT_EQ(example.Second, 30);

  // Seconds never move the minute hand; minutes move the hour hand by halves.
  EXPECT_EQ(AnglesAt(7, 13, 0).Minute, AnglesAt(7, 13, 59).Minute);
  EXPECT_EQ(AnglesAt(7, 13, 0).Hour - AnglesAt(7, 14, 0).Hour, 0.5L);
}

TEST(HandAngles, AfternoonRepeatsTheMorning) {
  for (int hour = 0; hour < 12; ++hour)
    for (int minute = 0; minute < 60; minute += 7) {
      const HandAngleSet am = AnglesAt(hour, minute, 0), pm = AnglesAt(hour + 12, minute, 0);
      EXPECT_EQ(am.Hour, pm.Hour);
      EXPECT_GE(pm.Hour, -269.5L);
      EXPECT_LE(pm.Hour, 90);
    }
}

class SwayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFrameState();
    SceneParams = {};
    SeedRandom(11);
  }
};

TEST_F(SwayTest, AnglesAtTheBoundsTurnBackAtOnce) {
  TextDrift.Angles[0] = 45;
  TextDrift.Angles[1] = -45;
  TextDrift.Angles[2] = 10;
  SceneParams.SwaySteps[0] = 0.3f;
  SceneParams.SwaySteps[1] = -0.3f;
  SceneParams.SwaySteps[2] = 0.25f;
  AdvanceSway();
  // Fresh speeds of 0.2 + r / 500 (r below 100) pointing back inside, drawn
  // for x, then y.
  SeedRandom(11);
  EXPECT_EQ(SceneParams.SwaySteps[0], float(-0.2L - Random(100) / 500.0L));
  EXPECT_EQ(SceneParams.SwaySteps[1], float(0.2L + Random(100) / 500.0L));
  EXPECT_EQ(TextDrift.Angles[0], float(45 + Extended(SceneParams.SwaySteps[0])));
  // An axis inside the bounds keeps its step.
  EXPECT_EQ(SceneParams.SwaySteps[2], 0.25f);
  EXPECT_FLOAT_EQ(TextDrift.Angles[2], 10.25f);

  // A hair inside either bound is not there yet.
  TextDrift.Angles[0] = std::nextafter(45.0f, 0.0f);
  TextDrift.Angles[1] = std::nextafter(-45.0f, 0.0f);
  SceneParams.SwaySteps[0] = 0.3f;
  SceneParams.SwaySteps[1] = -0.3f;
  AdvanceSway();
  EXPECT_TRUE(SceneParams.SwaySteps[0] == 0.3f && SceneParams.SwaySteps[1] == -0.3f);
}

TEST_F(SwayTest, MayOvershootByLessThanOneStepBeforeTurning) {
  TextDrift.Angles[0] = 44.9f;
  SceneParams.SwaySteps[0] = 0.3f;
  AdvanceSway();
  EXPECT_NEAR(TextDrift.Angles[0], 45.2f, 1e-5);
  EXPECT_EQ(SceneParams.SwaySteps[0], 0.3f);
  AdvanceSway();
  EXPECT_LT(SceneParams.SwaySteps[0], 0);
  EXPECT_LT(TextDrift.Angles[0], 45.2f);
}

TEST_F(SwayTest, StaysWithinOneStepOfTheBoundsOverALongRun) {
  SceneParams.SwaySteps[0] = 0.399f;
  SceneParams.SwaySteps[1] = 0.3993f;
  SceneParams.SwaySteps[2] = 0.2f;
  for (int frame = 0; frame < 20000; ++frame) {
    AdvanceSway();
    for (float angle : TextDrift.Angles) {
      ASSERT_LT(angle, 45 + 0.4f);
      ASSERT_GT(angle, -45 - 0.4f);
    }
  }
}

class HeadlineFadeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFrameState();
    SceneParams = {};
  }
};

TEST_F(HeadlineFadeTest, FullScreenStartShowsTheHeadlineFirst) {
  SceneParams.TextAlpha = 0.2f;
  AdvanceHeadlineFade();
  EXPECT_FLOAT_EQ(HeadlineFade.Step, -0.001f);
  EXPECT_FLOAT_EQ(SceneParams.TextAlpha, 0.2f);
  EXPECT_NEAR(HeadlineFade.PartnerAlpha, 0, 1e-7);

  AdvanceHeadlineFade();
  EXPECT_NEAR(SceneParams.TextAlpha, 0.199f, 1e-6);
  EXPECT_NEAR(HeadlineFade.PartnerAlpha, 0, 1e-7);

  AdvanceHeadlineFade();
  EXPECT_NEAR(HeadlineFade.PartnerAlpha, 0.001f, 1e-6);
}

TEST_F(HeadlineFadeTest, PreviewStartFadesTheHeadlineIn) {
  SceneParams.TextAlpha = 0;
  AdvanceHeadlineFade();  // neither line was visible; the step turns upward
  EXPECT_FLOAT_EQ(HeadlineFade.PartnerAlpha, 0.2f);
  EXPECT_FLOAT_EQ(SceneParams.TextAlpha, 0);
  EXPECT_FLOAT_EQ(HeadlineFade.Step, 0.001f);
  AdvanceHeadlineFade();
  EXPECT_NEAR(SceneParams.TextAlpha, 0.001f, 1e-7);
}

TEST_F(HeadlineFadeTest, SwingsBetweenTheTurningPointsWithComplementaryAlphas) {
  // The turning points, 0.2 and 0.01. The alpha is single precision: 0.2f
  // lies a hair above 0.2 and 0.01f a hair below 0.01, so each is the first
  // value that turns; the float next to it on the inside does not.
  const struct { float alpha, step; } points[] = {
      {0.2f, -0.001f}, {std::nextafter(0.2f, 0.0f), 0}, {0.01f, 0.001f}, {std::nextafter(0.01f, 1.0f), 0}};
  for (const auto& p : points) {
    SceneParams.TextAlpha = p.alpha;
    HeadlineFade.Step = 0;
    AdvanceHeadlineFade();
    EXPECT_EQ(HeadlineFade.Step, p.step) << p.alpha;
  }
  HeadlineFade = {};

  SceneParams.TextAlpha = 0.2f;
  int turns = 0;
  float lastStep = 0;
  for (int frame = 0; frame < 2000; ++frame) {
    const float shown = SceneParams.TextAlpha;
    AdvanceHeadlineFade();
    ASSERT_GE(SceneParams.TextAlpha, 0.0085f);
    ASSERT_LE(SceneParams.TextAlpha, 0.2015f);
    if (frame > 0) {
      ASSERT_NEAR(shown + HeadlineFade.PartnerAlpha, 0.2f, 1e-6);
    }
    if (lastStep != 0 && HeadlineFade.Step != lastStep) ++turns;
    lastStep = HeadlineFade.Step;
  }
  // About 190 frames each way.
  EXPECT_GE(turns, 9);
  EXPECT_LE(turns, 11);
}

}  // namespace
