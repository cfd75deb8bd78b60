#include <gtest/gtest.h>

#include <cmath>

#include "test_platform.h"
#include "frame/frame_state.h"
#include "host/random.h"
#include "host/scene_params.h"
#include "host/scene_setup.h"
#include "recording_gl.h"

namespace {

class SceneSetupTest : public ::testing::Test {
 protected:
  void SetUp() override { rgl::Reset(); }
  ScopedTestPlatform fake;
};

TEST_F(SceneSetupTest, FullScreenColumn) {
  CreateScene(SceneKind::FullScreen, 1920, 1080, 5);
  EXPECT_FLOAT_EQ(SceneParams.Aspect, 1920.0f / 1080.0f);
  EXPECT_EQ(SceneParams.MeshColumns, 300);
  EXPECT_EQ(SceneParams.MeshRows, 100);
  EXPECT_EQ(SceneParams.CurtainColumns, 100);
  EXPECT_EQ(SceneParams.CurtainRows, 20);
  EXPECT_FLOAT_EQ(SceneParams.TextAlpha, 0.2f);
  EXPECT_NEAR(double(SceneParams.ClockOffset.x), 0.4978, 5e-5);
  EXPECT_EQ(SceneParams.ClockOffset.y, 0.2L);
  EXPECT_EQ(SceneParams.ClockOffset.z, -2.5L);
}

TEST_F(SceneSetupTest, PreviewColumn) {
  CreateScene(SceneKind::Preview, 152, 112, 5);
  EXPECT_FLOAT_EQ(SceneParams.Aspect, 152.0f / 112.0f);
  EXPECT_EQ(SceneParams.MeshColumns, 60);
  EXPECT_EQ(SceneParams.MeshRows, 20);
  EXPECT_EQ(SceneParams.CurtainColumns, 50);
  EXPECT_EQ(SceneParams.CurtainRows, 10);
  EXPECT_EQ(SceneParams.TextAlpha, 0);  // the preview's headline fades in from nothing
}

TEST_F(SceneSetupTest, ClockOffsetFollowsTheAspect) {
  CreateScene(SceneKind::FullScreen, 1024, 768, 1);
  EXPECT_NEAR(double(SceneParams.ClockOffset.x), 0.3733, 5e-5);
}

TEST_F(SceneSetupTest, RandomStartValuesStayInTheirRanges) {
  // The window's own draws, before the builders run (the curtain, the last
  // of them, replaces the phases). Over many seeds the draws reach close to
  // both ends of each range.
  Extended phaseMax[3] = {0, 0, 0};
  float swayMin[3] = {1, 1, 1}, swayMax[3] = {0, 0, 0};
  for (std::uint64_t seed = 0; seed < 3000; ++seed) {
    SeedRandom(seed);
    DrawPhasesAndSwaySteps(SceneKind::FullScreen);
    for (int i = 0; i < 3; ++i) {
      ASSERT_GE(SceneParams.Waves[i].Phase, 0);
      phaseMax[i] = std::max(phaseMax[i], SceneParams.Waves[i].Phase);
      swayMin[i] = std::min(swayMin[i], SceneParams.SwaySteps[i]);
      swayMax[i] = std::max(swayMax[i], SceneParams.SwaySteps[i]);
    }
  }
  const Extended phaseLimit[3] = {6279.0L / 1100, 6279.0L / 1200, 6279.0L / 1300};  // 5.708, 5.233, 4.830
  const float swayLimit[3] = {0.399f, 0.3993333f, 0.3995f};
  for (int i = 0; i < 3; ++i) {
    EXPECT_LE(phaseMax[i], phaseLimit[i]);
    EXPECT_GT(phaseMax[i], phaseLimit[i] - 0.05L);
    EXPECT_GE(swayMin[i], 0.2f);
    EXPECT_LT(swayMin[i], 0.21f);
    EXPECT_LE(swayMax[i], swayLimit[i] + 1e-6f);
    EXPECT_GT(swayMax[i], swayLimit[i] - 0.01f);
  }

  Extended previewPhaseMax = 0;
  float previewSwayMax = 0;
  for (std::uint64_t seed = 0; seed < 2000; ++seed) {
    SeedRandom(seed);
    DrawPhasesAndSwaySteps(SceneKind::Preview);
    for (int i = 0; i < 3; ++i) {
      ASSERT_LE(SceneParams.Waves[i].Phase, 6.279L);
      ASSERT_GE(SceneParams.SwaySteps[i], 0.2f);
      ASSERT_LE(SceneParams.SwaySteps[i], 0.398f + 1e-6f);
      previewPhaseMax = std::max(previewPhaseMax, SceneParams.Waves[i].Phase);
      previewSwayMax = std::max(previewSwayMax, SceneParams.SwaySteps[i]);
    }
  }
  EXPECT_GT(previewPhaseMax, 6.2L);
  EXPECT_GT(previewSwayMax, 0.39f);

  // The scene's creation makes these draws first from its seed.
  for (SceneKind kind : {SceneKind::FullScreen, SceneKind::Preview}) {
    CreateScene(kind, 800, 600, 11);
    const SceneParameters created = SceneParams;
    SeedRandom(11);
    DrawPhasesAndSwaySteps(kind);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(created.SwaySteps[i], SceneParams.SwaySteps[i]);
  }
}

TEST_F(SceneSetupTest, RecordsTheDateAndTheLengthOfItsYear) {
  struct Case {
    int year;
    std::uint16_t days;
  };
  for (Case c : {Case{2024, 366}, Case{2026, 365}, Case{2000, 366}, Case{1900, 365}, Case{2100, 365}}) {
    fake.platform.Now = {static_cast<std::uint16_t>(c.year), 1, 1, 0, 0, 0, 0};
    CreateScene(SceneKind::FullScreen, 640, 480, 1);
    EXPECT_EQ(SceneParams.DaysInYear, c.days) << c.year;
    EXPECT_EQ(SceneParams.Year, c.year);
    EXPECT_EQ(SceneParams.Month, 1);
    EXPECT_EQ(SceneParams.Day, 1);
  }
}

TEST_F(SceneSetupTest, CreationStartsTheFrameStateAfresh) {
  TextDrift.Angles[1] = 30;
  HeadlineFade.Step = 0.001f;
  CreateScene(SceneKind::FullScreen, 640, 480, 1);
  EXPECT_EQ(TextDrift.Angles[1], 0);
  EXPECT_EQ(HeadlineFade.Step, 0);
}

TEST_F(SceneSetupTest, ZeroHeightGivesAnInfiniteAspectWithoutAFault) {
  CreateScene(SceneKind::FullScreen, 640, 0, 1);
  EXPECT_TRUE(std::isinf(SceneParams.Aspect));
}

}  // namespace
