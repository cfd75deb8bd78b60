// The curtain as it is built: the staggered grid, its rest heights and edge
// weights, the drawn phases, rates and colour pattern, and the seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "base/random.h"
#include "base/scene_params.h"
#include "curtain/curtain.h"
#include "host/scene_setup/scene_setup.h"
#include "recording_gl.h"
#include "test_platform.h"

namespace {

class CurtainBuild : public ::testing::Test {
 protected:
  void SetUp() override { rgl::Reset(); }

  // A scene of the given kind and size; the curtain is its last builder.
  void Create(SceneKind kind, int width, int height, std::uint64_t seed = 1) {
    CreateScene(kind, width, height, seed);
    size = CurrentCurtainSize();
  }

  ScopedTestPlatform fake;
  CurtainSize size;
};

TEST_F(CurtainBuild, FourThirdsSheetSpansTheViewInStaggeredRows) {
  Create(SceneKind::FullScreen, 800, 600);
  ASSERT_EQ(size.Rows, 20);
  ASSERT_EQ(size.Columns, 100);
  const Extended aspect = SceneParams.Aspect;  // 4/3 in single precision
  const Extended cell = 4.2L * aspect / 100;    // 0.056 wide

  Extended xMin = 1e9, xMax = -1e9;
  for (int i = 0; i <= 20; ++i)
    for (int j = 0; j <= 100; ++j) {
      const CurtainVertex& v = CurtainGrid[i][j];
      xMin = std::min(xMin, v.x), xMax = std::max(xMax, v.x);
      EXPECT_EQ(v.Depth, 1);
      EXPECT_EQ(v.Height, v.RestHeight);
      EXPECT_NEAR(double(v.RestHeight), (i / 20.0 - 0.5) * 4.2, 1e-12);
      if (j > 0) {
        EXPECT_NEAR(double(v.x - CurtainGrid[i][j - 1].x), double(cell), 1e-12);
      }
    }
  // From about -2.8 to 2.8, a quarter cell further on the rows shifted out.
  EXPECT_NEAR(double(xMin), -2.8, 0.015);
  EXPECT_NEAR(double(xMax), 2.8, 0.015);
  EXPECT_NEAR(double(xMin), double(-2.1L * aspect - cell / 4), 1e-12);
  EXPECT_NEAR(double(xMax), double(2.1L * aspect + cell / 4), 1e-12);
  EXPECT_NEAR(double(CurtainGrid[0][0].RestHeight), -2.1, 1e-15);
  EXPECT_NEAR(double(CurtainGrid[20][0].RestHeight), 2.1, 1e-15);
  // Even rows a quarter cell right of the unshifted grid, odd rows a quarter left.
  EXPECT_NEAR(double(CurtainGrid[0][50].x), double(cell) / 4, 1e-12);
  EXPECT_NEAR(double(CurtainGrid[1][50].x), -double(cell) / 4, 1e-12);
}

TEST_F(CurtainBuild, EdgeWeightsRiseTowardsTheTopAndBothEdgeRowsAreTransparent) {
  struct Case {
    SceneKind kind;
    int rows;
    double belowTop;
  };
  for (const Case c : {Case{SceneKind::FullScreen, 20, 0.99692}, Case{SceneKind::Preview, 10, 0.98769}}) {
    Create(c.kind, 640, 480);
    ASSERT_EQ(size.Rows, c.rows);
    EXPECT_EQ(size.Columns, c.rows * 5);
    EXPECT_EQ(CurtainGrid[0][0].EdgeWeight, 0);
    EXPECT_EQ(CurtainGrid[c.rows][size.Columns].EdgeWeight, 0);
    EXPECT_NEAR(double(CurtainGrid[c.rows - 1][3].EdgeWeight), c.belowTop, 1e-5);
    EXPECT_NEAR(double(CurtainGrid[c.rows / 2][0].EdgeWeight), std::sqrt(0.5), 1e-12);  // sin(pi / 4)
    for (int i = 1; i < c.rows; ++i) EXPECT_GT(CurtainGrid[i][0].EdgeWeight, CurtainGrid[i - 1][0].EdgeWeight);
    // The preview's smaller sheet spans the same view: its last column lies
    // where the full screen's does.
    EXPECT_NEAR(double(CurtainGrid[0][size.Columns].x), (0.5 + 1.0 / (4 * size.Columns)) * 4.2 * 4 / 3, 1e-6);
  }
}

TEST_F(CurtainBuild, DrawsItsOwnPhasesThenRatesThenPattern) {
  // Replayed from the same seed: the phases r / 1000, r / 2000, r / 3000 (r
  // below 6280, 12560, 18840), the rates -0.012 - 0.0001 r (r below 105),
  // 0.013 + 0.00013 r (below 107), 0.014 + 0.00014 r (below 108), and the
  // pattern 1 + r (below 10).
  Create(SceneKind::Preview, 640, 480);  // the smaller grid builds faster
  for (std::uint64_t seed : {1, 2, 3, 4}) {
    SeedRandom(seed);
    BuildCurtain();
    SeedRandom(seed);
    const Extended phases[3] = {Random(6280) / 1000.0L, Random(12560) / 2000.0L, Random(18840) / 3000.0L};
    const Extended rates[3] = {-0.012L - 0.0001L * Random(105), 0.013L + 0.00013L * Random(107),
                               0.014L + 0.00014L * Random(108)};
    EXPECT_EQ(ColourPattern, 1 + Random(10));
    for (int w = 0; w < 3; ++w) {
      EXPECT_EQ(SceneParams.Waves[w].Phase, phases[w]) << w;
      EXPECT_EQ(SceneParams.Waves[w].Speed, rates[w]) << w;
    }
  }
}

TEST_F(CurtainBuild, SeedsFollowTheirPatterns) {
  // Each pattern at d = -0.1, e = 0.174, h = 0.141, to twelve digits: a
  // point where every term changes by more than 0.01 when it reads another
  // of the three inputs.
  struct Case {
    int pattern;
    double s, u, v;
  };
  const Case cases[] = {
      {1, -0.3511542648964, 0.3337379893752, 0.3891423454952}, {2, 1.334595483195, -0.7810692260259, 1.262447057058},
      {3, 0.4807533513402, -0.7577811406092, 0.6142040102801}, {4, 0.6907013049303, -0.3302562572857, 0.2566745107297},
      {5, 0.4943756709827, -0.1606323928406, 0.903484964433},  {6, -0.3212236994634, 0.5548031154802, 0.9068856904103},
      {7, 0.8446679570034, -0.6604323270055, -0.6004202253259}, {8, -0.2169068753423, 0.9489644827633, 0.6872288318068},
      {9, 0.4451012818037, 1.350731218924, -0.2697798383173},  {10, 1.603468667704, 2.252381547806, 1.754770658146},
  };
  for (const Case& c : cases) {
    const ColourSeed seed = CurtainSeed(c.pattern, -0.1L, 0.174L, 0.141L);
    EXPECT_NEAR(double(seed.S), c.s, 1e-11) << c.pattern;
    EXPECT_NEAR(double(seed.U), c.u, 1e-11) << c.pattern;
    EXPECT_NEAR(double(seed.V), c.v, 1e-11) << c.pattern;
  }

  // In the grid: on the middle row e = 0, so pattern 5 gives S = U = 0 and
  // V = cos(pi h), pattern 7 S = U = 0 and V = cos(5 pi h), with
  // h = sqrt(d^2 + 0.000001) / 1.42 and d = x / 10. On the bottom row e = 0.5.
  Create(SceneKind::FullScreen, 1920, 1080);
  for (const int j : {0, 37, 100}) {
    const Extended d = CurtainGrid[10][j].x / 10, h = std::sqrt(d * d + 0.000001L) / 1.42L;
    SeedCurtain(5);
    EXPECT_NEAR(double(CurtainGrid[10][j].S), 0, 1e-18);
    EXPECT_NEAR(double(CurtainGrid[10][j].U), 0, 1e-18);
    EXPECT_NEAR(double(CurtainGrid[10][j].V), std::cos(M_PI * double(h)), 1e-14) << j;
    EXPECT_NEAR(double(CurtainGrid[0][j].S), std::cos(M_PI * double(CurtainGrid[0][j].x) / 10), 1e-14) << j;
    SeedCurtain(7);
    EXPECT_NEAR(double(CurtainGrid[10][j].S), 0, 1e-18);
    EXPECT_NEAR(double(CurtainGrid[10][j].U), 0, 1e-18);
    EXPECT_NEAR(double(CurtainGrid[10][j].V), std::cos(5 * M_PI * double(h)), 1e-14) << j;
  }
}

}  // namespace
