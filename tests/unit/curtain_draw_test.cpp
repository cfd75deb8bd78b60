// The curtain every frame: the folds, the mixing matrix, the recolouring and
// lifting of the vertices, the phases' advance and bounce, and what reaches
// OpenGL.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "base/random.h"
#include "base/scene_params.h"
#include "base/triangle_normal.h"
#include "clock_test_support.h"
#include "curtain/curtain.h"
#include "host/scene_setup/scene_setup.h"
#include "recording_gl.h"
#include "test_platform.h"

namespace {

using clocktest::AsVector;
using clocktest::Same;

class CurtainDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    rgl::Reset();
    CreateScene(SceneKind::FullScreen, 800, 600, 2);
  }
  void TearDown() override { rgl::Reset(); }

  ScopedTestPlatform fake;
};

TEST(CurtainFold, IsATriangleWaveUpToTenAndNegativeAbove) {
  const std::pair<Extended, Extended> cases[] = {
      {0, 0},       {0.4L, 0.4L}, {1, 1},     {1.5L, 0.5L}, {2.3L, 0.3L}, {3.3L, 0.7L},
      {5, 1},       {6.5L, 0.5L}, {7, 1},     {9.75L, 0.25L}, {10, 0},    {11, -1}, {12, -2},
  };
  for (const auto& [t, folded] : cases) EXPECT_NEAR(double(FoldColour(t)), double(folded), 1e-15) << double(t);

  // Bit for bit the reflections that define it: at 5 when above 5, then at
  // 4, 3, 2 and 1 in turn; swept through 0..12 and at the neighbours of
  // every whole and half number, where a fold would go the other way.
  const auto reflected = [](Extended t) {
    if (t > 5) t = 10 - t;
    for (int k = 4; k >= 1; --k)
      if (t > k) t = 2 * k - t;
    return t;
  };
  std::vector<Extended> sweep;
  for (int n = 0; n <= 24000; ++n) sweep.push_back(Extended(n) / 2000 + Extended(n % 7) / 1e13L);
  for (int n = 0; n <= 24; ++n)
    for (const Extended towards : {-1.0L, 13.0L}) sweep.push_back(std::nextafter(Extended(n) / 2, towards));
  int differing = 0;
  for (const Extended t : sweep) {
    const Extended got = FoldColour(t), want = reflected(t);
    differing += std::memcmp(&got, &want, 10) != 0;
  }
  EXPECT_EQ(differing, 0);
}

TEST(CurtainMixingMatrix, FromThePhases) {
  const MixingMatrix still = CurtainMixing(0, 0, 0);
  const Extended expected[3][3] = {{1, 1, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(still.m[r][c], expected[r][c]) << r << c;

  // At alpha 0.7, beta 1.9, gamma 4.1; row 1's second entry ends in cos gamma.
  const double turned[3][3] = {{-0.61007124326, -0.228177623171, -0.774335701953},
                               {0.506134929069, 0.669282718243, -0.543955951009},
                               {0.609623253923, -0.723770228894, -0.323289566864}};
  const MixingMatrix m = CurtainMixing(0.7L, 1.9L, 4.1L);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(double(m.m[r][c]), turned[r][c], 1e-11) << r << c;
}

TEST_F(CurtainDraw, RecolouringFoldsLiftsAndFadesEachVertex) {
  // Hand-set seeds under the still matrix of phases 0: red = fold|S + U|,
  // green = fold|U|, blue = fold|V|; height = rest + |U| / 3 but on rows 0 and 20.
  struct Case {
    int i, j;
    Extended s, u, v;
    double red, green, blue, lift, alpha;
  };
  const double w19 = std::sin(19 * M_PI / 40), w10 = std::sqrt(0.5);
  const Case cases[] = {
      {19, 5, 0.9L, 0, 0.9L, 0.9, 0, 0.9, 0, 2 - 1.8 / 1.6 * w19},  // alpha above 1 folds back
      {19, 6, 0, 0, 12, 0, 0, -2, 0, 2 / 1.6 * w19},                 // blue past 10: negative, alpha taken absolute
      {10, 8, 0.3L, -0.6L, 0, 0.3, 0.6, 0, 0.2, 0.9 / 1.6 * w10},
      {10, 9, 2.5L, 1.8L, -3.3L, 0.3, 0.2, 0.7, 0.6, 1.2 / 1.6 * w10},
      {0, 8, 0.3L, -0.6L, 0, 0.3, 0.6, 0, 0, 0},  // the edge rows: transparent, never lifted
      {20, 8, 0.3L, -0.6L, 0, 0.3, 0.6, 0, 0, 0},
  };
  for (const Case& c : cases) {
    CurtainVertex& v = CurtainGrid[c.i][c.j];
    v.S = c.s, v.U = c.u, v.V = c.v;
  }
  // Drawn from phases that reach 0 only as this frame advances them.
  for (Wave& wave : SceneParams.Waves) wave = {0.005L, -0.01L};
  DrawCurtain();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.i) + "," + std::to_string(c.j));
    const CurtainVertex& v = CurtainGrid[c.i][c.j];
    EXPECT_NEAR(double(v.Red), c.red, 1e-15);
    EXPECT_NEAR(double(v.Green), c.green, 1e-15);
    EXPECT_NEAR(double(v.Blue), c.blue, 1e-15);
    EXPECT_NEAR(double(v.Height - v.RestHeight), c.lift, 1e-15);
    EXPECT_NEAR(double(v.Alpha), c.alpha, 1e-15);
  }
}

TEST_F(CurtainDraw, PhasesBounceAtZeroAndTwoPiWithFreshRatesOnTheSameFrame) {
  // Each rule: the new rate is base + step * r with r random 0..draws-1.
  struct Rule {
    Extended base, step;
    int draws;
    Extended Replayed() const { return base + step * Extended(Random(draws)); }
  };
  const Rule aboveTwoPi[3] = {{-0.012L, -0.0001L, 105}, {-0.012L, -0.00015L, 102}, {-0.012L, -0.00017L, 103}};
  const Rule belowZero[3] = {{0.014L, 0.00012L, 110}, {0.013L, 0.00013L, 107}, {0.014L, 0.00014L, 108}};
  const Rule zeroGuard[3] = {{-0.011L, -0.00013L, 120}, {0.012L, 0.00012L, 112}, {0.013L, 0.00011L, 123}};
  Wave* waves = SceneParams.Waves;
  const auto advance = [](std::uint64_t seed) {
    SeedRandom(seed);
    AdvanceCurtainPhases();
    SeedRandom(seed);  // to replay the draws it made
  };
  // Half steps of 1/128 land on 2 pi, on 0 and on their neighbours exactly.
  const Extended twoPi = 6.283185307179586476925286766559L, half = 0.0078125L;
  const Extended aboveTwoPiByAHair = std::nextafter(twoPi, 7.0L);
  for (std::uint64_t seed = 0; seed < 8; ++seed) {
    for (int w = 0; w < 3; ++w) {
      SCOPED_TRACE("wave " + std::to_string(w));
      // Reaching 2 pi or 0 exactly, the rate stays.
      waves[w] = {twoPi - half, 2 * half};
      advance(seed);
      EXPECT_TRUE(waves[w].Phase == twoPi && waves[w].Speed == 2 * half);
      waves[w] = {half, -2 * half};
      advance(seed);
      EXPECT_TRUE(waves[w].Phase == 0 && waves[w].Speed == -2 * half);
      // Passing 2 pi: the phase keeps its step, the rate turns negative.
      waves[0] = waves[1] = waves[2] = {3, 0.02L};
      waves[w] = {aboveTwoPiByAHair - half, 2 * half};
      advance(seed);
      EXPECT_EQ(waves[w].Phase, aboveTwoPiByAHair);
      EXPECT_EQ(waves[w].Speed, aboveTwoPi[w].Replayed());
      EXPECT_EQ(waves[(w + 1) % 3].Speed, 0.02L);  // the others run on unchanged
      EXPECT_EQ(waves[(w + 1) % 3].Phase, 3 + 0.02L / 2);
      // Passing below 0, by a hair: the rate turns positive.
      waves[w] = {std::nextafter(half, 0.0L), -2 * half};
      advance(seed);
      EXPECT_TRUE(waves[w].Phase < 0 && waves[w].Phase > -1e-18L);
      EXPECT_EQ(waves[w].Speed, belowZero[w].Replayed());
      // A rate of exactly 0 gets a fresh one before the phase moves by half of
      // it; the smallest rate above 0 does not.
      waves[w] = {3, std::numeric_limits<Extended>::denorm_min()};
      advance(seed);
      EXPECT_EQ(waves[w].Speed, std::numeric_limits<Extended>::denorm_min());
      waves[w] = {3, 0};
      advance(seed);
      EXPECT_EQ(waves[w].Speed, zeroGuard[w].Replayed());
      EXPECT_EQ(waves[w].Phase, 3 + waves[w].Speed / 2);
    }
    // All three past 2 pi at once: drawn for alpha, then beta, then gamma.
    waves[0] = waves[1] = waves[2] = {6.28L, 0.02L};
    advance(seed);
    for (int w = 0; w < 3; ++w) EXPECT_EQ(waves[w].Speed, aboveTwoPi[w].Replayed()) << w;
  }
}

// The recorded calls of one DrawCurtain.
std::vector<rgl::Call> RecordedCurtain() {
  rgl::ClearCalls();
  DrawCurtain();
  return rgl::Calls();
}

TEST_F(CurtainDraw, OneBracketOfLitTrianglesAtDepthMinusFive) {
  for (const SceneKind kind : {SceneKind::FullScreen, SceneKind::Preview}) {
    CreateScene(kind, 800, 600, 2);
    const CurtainSize size = CurrentCurtainSize();
    const int triangles = kind == SceneKind::FullScreen ? 4000 : 1000;
    rgl::Reset();
    const std::vector<rgl::Call> calls = RecordedCurtain();
    ASSERT_GT(calls.size(), 6u);
    EXPECT_EQ(calls[0].name, "glPushMatrix");
    EXPECT_EQ(calls[1].name, "glTranslatef");
    EXPECT_TRUE(calls[1][0] == 0 && calls[1][1] == 0 && calls[1][2] == -6);
    EXPECT_EQ(calls[2].name, "glBegin");
    EXPECT_EQ(calls[2][0], GL_TRIANGLES);
    EXPECT_EQ(calls[calls.size() - 2].name, "glEnd");
    EXPECT_EQ(calls.back().name, "glPopMatrix");
    EXPECT_EQ(rgl::Brackets().size(), 1u);
    // Matrix balanced; blend, enables and depth state left to the frame.
    EXPECT_TRUE(rgl::NearlyEqual(rgl::Current().CurrentModelview(), rgl::Identity()));
    EXPECT_EQ(rgl::Current().modelview.size(), 1u);
    EXPECT_TRUE(rgl::Current().errors.empty());

    // Inside: per triangle one normal, then colour and vertex for each corner;
    // the normal is that of the three corners in order.
    const std::vector<rgl::Call> inside(calls.begin() + 3, calls.end() - 2);
    ASSERT_EQ(inside.size(), std::size_t(triangles) * 7);
    for (int t = 0; t < triangles; ++t) {
      const rgl::Call* c = &inside[std::size_t(t) * 7];
      ASSERT_EQ(c[0].name, "glNormal3fv") << t;
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(c[1 + 2 * k].name, "glColor4fv") << t;
        ASSERT_EQ(c[2 + 2 * k].name, "glVertex3fv") << t;
      }
      ASSERT_TRUE(Same(AsVector(c[0]), TriangleNormal(AsVector(c[2]), AsVector(c[4]), AsVector(c[6])))) << t;
    }

    // The short diagonals: on even rows the cell (i, j) is cut by P00-P11,
    // on odd rows by P01-P10. Each corner carries its vertex's own values.
    const auto expectCorner = [&](std::size_t corner, int i, int j) {
      const rgl::Call& colour = inside[corner / 3 * 7 + 1 + 2 * (corner % 3)];
      const rgl::Call& vertex = inside[corner / 3 * 7 + 2 + 2 * (corner % 3)];
      const CurtainVertex& v = CurtainGrid[i][j];
      EXPECT_TRUE(Same(AsVector(vertex), ToVector3f(v.x, v.Height, v.Depth))) << corner;
      EXPECT_EQ(colour[0], static_cast<float>(v.Red));
      EXPECT_EQ(colour[1], static_cast<float>(v.Green));
      EXPECT_EQ(colour[2], static_cast<float>(v.Blue));
      EXPECT_EQ(colour[3], static_cast<float>(v.Alpha));
    };
    const int even[6][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 1}, {1, 0}, {0, 0}};
    const int odd[6][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 0}, {0, 1}, {1, 1}};
    const std::size_t rowCorners = std::size_t(size.Columns) * 6;
    for (int k = 0; k < 6; ++k) {
      expectCorner(std::size_t(k), even[k][0], even[k][1]);
      expectCorner(rowCorners * 3 + 6 * 7 + std::size_t(k), 3 + odd[k][0], 7 + odd[k][1]);
      expectCorner(rowCorners * 4 + std::size_t(k), 4 + even[k][0], even[k][1]);
    }
  }
}

TEST_F(CurtainDraw, EdgeRowsStayPutAndTransparentWhileTheRestRipples) {
  rgl::SetRecording(false);
  Extended lift[21] = {};
  for (int frame = 0; frame < 300; ++frame) {
    DrawCurtain();
    for (int i = 0; i <= 20; ++i)
      for (int j = 0; j <= 100; ++j) {
        const CurtainVertex& v = CurtainGrid[i][j];
        ASSERT_GE(v.Height, v.RestHeight);
        lift[i] = std::max(lift[i], v.Height - v.RestHeight);
        if (i == 0 || i == 20) {
          ASSERT_EQ(v.Alpha, 0) << i << "," << j;
        }
        ASSERT_GE(v.Alpha, 0);
      }
  }
  EXPECT_EQ(lift[0], 0);
  EXPECT_EQ(lift[20], 0);
  for (int i = 1; i < 20; ++i) EXPECT_GT(lift[i], 0.05L) << i;
}

}  // namespace
