#include <gtest/gtest.h>

#include <cmath>

#include "base/random.h"
#include "base/scene_params.h"
#include "clock/numerals.h"
#include "clock_test_support.h"
#include "frame/frame_state.h"
#include "host/scene_setup/scene_setup.h"
#include "random_draws.h"
#include "recording_gl.h"
#include "test_platform.h"

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
  CreateScene(SceneKind::FullScreen, 1024, 768, 1);
  EXPECT_NEAR(double(SceneParams.ClockOffset.x), 0.3733, 5e-5);
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

TEST_F(SceneSetupTest, TheWindowDrawsThreePhasesThenThreeSwaySteps) {
  // Replayed from the same seed: the phases r / 1100, r / 1200, r / 1300 with
  // r in 0..6279 and the sway steps 0.2 + r / 1000 (r in 0..199), r / 1500
  // (0..299), r / 2000 (0..399) full screen; in preview r / 1000 and r / 500
  // (0..99).
  for (std::uint64_t seed : {1, 2, 3}) {
    SeedRandom(seed);
    DrawPhasesAndSwaySteps(SceneKind::FullScreen);
    SeedRandom(seed);
    const Extended phases[3] = {Random(6280) / 1100.0L, Random(6280) / 1200.0L, Random(6280) / 1300.0L};
    const float sway[3] = {float(Random(200) / 1000.0L + 0.2L), float(Random(300) / 1500.0L + 0.2L),
                           float(Random(400) / 2000.0L + 0.2L)};
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SceneParams.Waves[i].Phase == phases[i] && SceneParams.SwaySteps[i] == sway[i]);

    SeedRandom(seed);
    DrawPhasesAndSwaySteps(SceneKind::Preview);
    SeedRandom(seed);
    const Extended previewPhases[3] = {Random(6280) / 1000.0L, Random(6280) / 1000.0L, Random(6280) / 1000.0L};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(SceneParams.Waves[i].Phase, previewPhases[i]);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(SceneParams.SwaySteps[i], float(Random(100) / 500.0L + 0.2L));
  }
}

TEST_F(SceneSetupTest, CreationDrawsAndBuildsInItsOrder) {
  // The random draws tell who came when: the window's phases and sway steps,
  // the ground (one draw a point, reading the window's phases), the curtain
  // (its phases, rates and pattern), then each flake generated and placed.
  for (SceneKind kind : {SceneKind::FullScreen, SceneKind::Preview}) {
    const bool full = kind == SceneKind::FullScreen;
    std::vector<std::int32_t> expected = {6280, 6280, 6280};
    for (std::int32_t n : full ? std::vector{200, 300, 400} : std::vector{100, 100, 100}) expected.push_back(n);
    expected.insert(expected.end(), full ? 301 * 101 : 61 * 21, 100);
    for (std::int32_t n : {6280, 12560, 18840, 105, 107, 108, 10}) expected.push_back(n);
    for (std::int32_t f = 0; f < 201; ++f)
      for (std::int32_t n : {10, 2 * f + 1000, 20, f + 1000, 200, 10, 2 * f + 1000, 20, f + 1000, 2000})
        expected.push_back(n);

    // The numerals are copied from a finished cell template.
    static const NumeralCellTemplate noTemplate{};  // static: the tables are large
    static const DigitCellTable noDigits{};
    CellTemplate = noTemplate;
    DigitCells = noDigits;
    RandomDraws draws;
    CreateScene(kind, 800, 600, 5);
    EXPECT_EQ(RunsOf(draws.Ranges()), RunsOf(expected));
    DrawDigit(8, 13, 0, 0);
    EXPECT_EQ(clocktest::DigitDrawn(clocktest::CornersOf(rgl::Brackets().at(0))), 8);
    rgl::Reset();
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
